#!/bin/sh
# Linux tools the windowed scenarios use from under Wine (start /unix), each writing its result
# to a file that the scenario waits for:
#   linux_side.sh screen OUT.png     the whole X screen of $DISPLAY, for people to look at
#   linux_side.sh zip-names ZIP OUT  the entry names of an archive as unzip reads it, one a line,
#                                    then "unzip-test=<exit code of unzip -t>"
set -u
case $1 in
  screen)
    xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- "png:$2.part"
    mv "$2.part" "$2"
    ;;
  zip-names)
    unzip -Z1 "$2" > "$3.part" 2>&1
    unzip -tq "$2" > /dev/null 2>&1
    echo "unzip-test=$?" >> "$3.part"
    mv "$3.part" "$3"
    ;;
esac
