#!/bin/sh
# Stands in for the desktop's browser launcher, which Wine's browser hands web addresses to:
# records each address, one a line.
printf '%s\n' "$*" >> "$LINK_LABEL_XDG_RECORD"
