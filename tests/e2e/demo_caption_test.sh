#!/usr/bin/env bash
# The demo as a user runs it, in English and in Chinese: the caption buttons of its screenshot
# must be the reference's pixels, the glyphs of the caption font (without the font Wine draws
# the letters "0 1 r"). The demo bounds its own waits.
#   demo_caption_test.sh REFERENCE.ppm BUILD_TREE x64|x86
set -u
reference=$(realpath "$1")
build=$(realpath "$2")
arch=$3
cd "$(dirname "$0")/../.."
status=0
for lang in en zh; do
  shot=$build/demo/detector-$lang-96.png
  rm -f "$shot"
  # Without DISPLAY the demo takes a screenshot on a display of its own, which no other test's
  # window can cover.
  if ! env -u DISPLAY DETECTOR_DEMO_LANG=$lang DETECTOR_DEMO_DPI=96 DETECTOR_DEMO_ARCH=$arch \
         DETECTOR_DEMO_BUILD="$build" scripts/demo.sh --no-build >/dev/null; then
    echo "$lang: the demo failed"
    status=1
    continue
  fi
  # The three buttons, from the screenshot's top right corner.
  differing=$(convert "$shot" -gravity NorthEast -crop 52x13+3+5 +repage ppm:- |
              compare -metric AE -fuzz 10% - "$reference" null: 2>&1)
  echo "$lang: $differing pixels of the caption buttons differ from the reference"
  [ "$differing" = 0 ] || status=1
done
exit "$status"
