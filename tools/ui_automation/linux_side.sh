#!/bin/sh
# Linux tools the windowed scenarios use from under Wine (start /unix), each writing its result
# to a file that the scenario waits for:
#   linux_side.sh screen OUT.png     the whole X screen of $DISPLAY, for people to look at
#   linux_side.sh pixel PNG X Y OUT  the red, green and blue (0-255) of one pixel of a picture
#   linux_side.sh zip-names ZIP OUT  the entry names of an archive as unzip reads it, one a line,
#                                    then "unzip-test=<exit code of unzip -t>"
set -u
case $1 in
  screen)
    # One read of the root window, as the screen shows it. Not xwd: every Wine process gives its
    # X windows a colormap of its own, which sends xwd down its per-colormap path, and there a
    # window lying wholly inside another of the same process (a dialog over the main window) is
    # read from the window underneath, where it is hidden, so it comes out black.
    /usr/bin/import -silent -display "$DISPLAY" -window root "png:$2.part"
    mv "$2.part" "$2"
    ;;
  pixel)
    at="p{$3,$4}"
    format="%[fx:round(255*$at.r)] %[fx:round(255*$at.g)] %[fx:round(255*$at.b)]"
    /usr/bin/convert "$2" -format "$format" info: > "$5.part" 2>&1
    mv "$5.part" "$5"
    ;;
  zip-names)
    unzip -Z1 "$2" > "$3.part" 2>&1
    unzip -tq "$2" > /dev/null 2>&1
    echo "unzip-test=$?" >> "$3.part"
    mv "$3.part" "$3"
    ;;
esac
