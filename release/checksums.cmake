# Writes FOLDER/SHA256SUMS, one "hash  name" line for each of FILES, as sha256sum -c reads it.
#   cmake -DFOLDER=dir -DFILES=a;b -P checksums.cmake
set(lines "")
foreach(name IN LISTS FILES)
  file(SHA256 "${FOLDER}/${name}" hash)
  string(APPEND lines "${hash}  ${name}\n")
endforeach()
file(WRITE "${FOLDER}/SHA256SUMS" "${lines}")
