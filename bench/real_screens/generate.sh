#!/bin/bash
# Remakes the real-screen crops of the OCR benchmark: what a headless
# browser, GTK dialogs (zenity), Qt widgets and xterm draw, each saved with
# the exact text it shows (NAME.txt beside NAME.png or NAME.jpg) into crops/.
# Needs (for generating only): chromium xterm zenity openbox imagemagick
# xvfb x11-utils xdotool gcc g++ pkg-config fonts-dejavu and the Qt 6
# development files.
#   bench/real_screens/generate.sh
# Every step waits for a state (the X server answering, the window manager
# running, a window shown with the focus and drawn alike twice running), so a
# remade set is the same picture for picture.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for tool in chromium xterm zenity openbox convert import Xvfb xdpyinfo xprop xdotool gcc g++ pkg-config; do
    command -v "$tool" >/dev/null || { echo "generate.sh: $tool is missing; the crops stay as they are" >&2; exit 1; }
done
out="$here/crops"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out"
export LC_ALL=C.UTF-8
# The programs see DejaVu only, whatever else the machine has: the generic
# families ("Sans", "monospace") are what GTK, openbox and Qt ask for.
cat >"$work/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <cachedir>$work/font-cache</cachedir>
  <alias binding="strong"><family>sans-serif</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias binding="strong"><family>Sans</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias binding="strong"><family>monospace</family><prefer><family>DejaVu Sans Mono</family></prefer></alias>
  <match target="pattern">
    <edit name="antialias" mode="append"><bool>true</bool></edit>
    <edit name="hinting" mode="append"><bool>true</bool></edit>
    <edit name="hintstyle" mode="append"><const>hintslight</const></edit>
  </match>
</fontconfig>
CONF
export FONTCONFIG_FILE="$work/fonts.conf"
# GTK's caret would blink in and out of the dialogs' fields.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/gtk-3.0"
printf '[Settings]\ngtk-cursor-blink=false\n' >"$XDG_CONFIG_HOME/gtk-3.0/settings.ini"

# Crops carry no time stamps (-strip), so that a remade set differs only
# where the drawing does.
# Keeps the crop to what is drawn, with a margin of the page's own colour.
trimmed() { convert "$1" -fuzz 2% -trim +repage -bordercolor "$(convert "$1" -format '%[pixel:p{0,0}]' info:)" -border "$2" -strip "$3"; }

browser() { # name width height scale
    chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars --force-device-scale-factor="$4" \
        --window-size="$2,$3" --screenshot="$work/$1.png" "file://$here/pages/$5.html" >/dev/null 2>&1
}

for page in nav buttons pricing order footer code dark chat menu list quote; do
    browser "browser-$page" 700 260 1 "browser-$page"
    trimmed "$work/browser-$page.png" 6 "$out/browser-$page.png"
    cp "$here/pages/browser-$page.txt" "$out/browser-$page.txt"
done
# A HiDPI screen draws everything twice as large.
for page in menu footer order; do
    browser "x2-$page" 700 260 2 "browser-$page"
    trimmed "$work/x2-$page.png" 12 "$out/x2-$page.png"
    cp "$here/pages/browser-$page.txt" "$out/x2-$page.txt"
done
# Screenshots passed around as JPEG.
quality=60
for page in buttons chat pricing dark; do
    convert "$out/browser-$page.png" -quality "$quality" -strip "$out/jpeg-$page.jpg"
    cp "$here/pages/browser-$page.txt" "$out/jpeg-$page.txt"
    quality=$((quality + 5))
done

# A desktop: X server and window manager for the dialogs and the terminal.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp &
export DISPLAY=$display
# Polls a state every tenth of a second, for at most 30 seconds.
await() { # description command...
    local tries=300
    until "${@:2}"; do
        tries=$((tries - 1))
        if ((tries == 0)); then
            echo "generate.sh: timed out waiting for $1" >&2
            exit 1
        fi
        sleep 0.1
    done
}
await "the X server" eval 'xdpyinfo >/dev/null 2>&1'
openbox &
await "openbox" eval 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"'

# Grabs the window named TITLE that is shown and has the focus into FILE;
# true once two grabs running are of the same window and the same pixels.
settled() { # title file [frame]
    local active
    active=$(xdotool getactivewindow 2>/dev/null) || return 1
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | grep -qx "$active" || return 1
    import ${3:+-frame} -window "$active" "$2" 2>/dev/null || return 1
    local grab
    grab="$active $(convert "$2" rgb:- | md5sum)"
    [[ $grab == "$last_grab" ]] && return 0
    last_grab=$grab
    return 1
}

window_shot() { # title name [frame]
    # Toolkits map and remap their windows while they start: the one to take
    # is the one shown with the focus once its drawing has settled.
    last_grab=
    await "the window '$1' to settle" settled "$1" "$work/$2.png" "${3:-}"
    xdotool windowkill "${last_grab%% *}" || true
}

# GTK dialogs with their title bar (title, window buttons, the dialog's icon).
zenity --question --title="Unsaved changes" --text="Save changes to \"report.odt\" before closing?" \
    --ok-label=Save --cancel-label="Close without saving" &
window_shot "Unsaved changes" gtk-question frame
printf 'Unsaved changes\nSave changes to "report.odt" before closing?\nClose without saving Save\n' > "$out/gtk-question.txt"
zenity --entry --title="Rename file" --text="New name:" --entry-text="Invoice-2024-03.pdf" &
window_shot "Rename file" gtk-entry frame
printf 'Rename file\nNew name:\nInvoice-2024-03.pdf\nCancel OK\n' > "$out/gtk-entry.txt"
zenity --warning --title="Disk almost full" --text="Only 1.2 GB left on /home. Free some space to keep working." &
window_shot "Disk almost full" gtk-warning frame
printf 'Disk almost full\nOnly 1.2 GB left on /home. Free some space to keep working.\nOK\n' > "$out/gtk-warning.txt"
for name in gtk-question gtk-entry gtk-warning; do
    convert "$work/$name.png" -strip "$out/$name.png"
done

# Terminals: the text is the command's own output.
mkdir -p "$work/listing"
(cd "$work/listing" &&
    head -c 1832 /dev/zero >README.md && head -c 20480 /dev/zero >build.log && mkdir src docs &&
    head -c 377 /dev/zero >Makefile && ln -s src/main.c main.c &&
    touch -h -d '2024-03-04 09:15' README.md build.log src docs Makefile main.c)
ls_output=$(cd "$work/listing" && TZ=UTC ls -l --time-style='+%b %e %H:%M')
# Two errors: operands that are names get a "^" under the operator only;
# operands that are calls are underlined too ("~~~~~~ ^ ~~~~~~") and
# labelled with their types.
cat >"$work/main.c" <<'C'
#include <stdio.h>
struct point { int x, y; };
struct point centre(void);
int margin(void);
int main(void)
{
    struct point origin = {1, 2};
    int offset = 40;
    int shifted = origin + offset;
    int moved = centre() + margin();
    printf("%d %d\n", shifted, moved);
}
C
gcc_output=$(cd "$work" && LC_ALL=C gcc -fdiagnostics-color=never -c main.c 2>&1 || true)
terminal() { # name columns rows text
    printf '%s\n' "$4" >"$work/$1.out"
    xterm -T "$1" -fa "DejaVu Sans Mono" -fs 10 -geometry "$2x$3" -bg white -fg black \
        -e sh -c "cat '$work/$1.out'; exec sleep infinity" &
    window_shot "$1" "$1"
    trimmed "$work/$1.png" 6 "$out/$1.png"
    printf '%s\n' "$4" >"$out/$1.txt"
}
terminal xterm-ls 66 10 "$ls_output"
terminal xterm-gcc 84 16 "$gcc_output"

# Qt widgets drawn by a small program of our own, with the Fusion style.
g++ -std=c++17 -fPIC -o "$work/qt_screens" "$here/qt_screens.cpp" $(pkg-config --cflags --libs Qt6Widgets)
"$work/qt_screens" "$work"
for name in qt-menu qt-table qt-wizard; do
    convert "$work/$name.png" -strip "$out/$name.png"
    cp "$work/$name.txt" "$out/$name.txt"
done
du -sh "$out"
