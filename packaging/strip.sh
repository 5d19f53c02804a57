#!/bin/sh
# The strip that `make deb` gives CMake (CMAKE_STRIP): strips an installed
# binary the way Debian's dh_strip does, also dropping the compiler's .comment
# and .note sections.
exec strip --remove-section=.comment --remove-section=.note --strip-unneeded "$@"
