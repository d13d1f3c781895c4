#!/bin/sh
# check_install.sh CHECK BUILD_DIR PREFIX
#
# `install` installs the build into PREFIX (the command in $CMAKE); every other
# check looks at that installation. Exit 0 pass, 1 fail, 77 when a tool the
# check needs is missing.
set -eu

check=$1
build=$2
prefix=$3
example=highland-laddie.tnz

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "skipped: $*"; exit 77; }
need() { command -v "$1" > /dev/null 2>&1 || skip "$1 is not installed"; }

# Scratch space beside the prefix, so that hard links to installed programs work.
scratch=$(mktemp -d "$(dirname "$prefix")/scratch.XXXXXX")
trap 'rm -rf "$scratch"' EXIT INT TERM

# No profile of the user's, no home: the installation must do on its own.
isolated() {
    mkdir -p "$scratch/config" "$scratch/home"
    env XDG_CONFIG_HOME="$scratch/config" HOME="$scratch/home" QT_QPA_PLATFORM=offscreen "$@"
}

install_into_prefix() {
    rm -rf "$prefix"
    "$CMAKE" --install "$build" --prefix "$prefix" > "$scratch/log" 2>&1 || { cat "$scratch/log"; fail "cmake --install"; }
}

image_matches_build_tree() {
    isolated "$prefix/bin/skirlo-cli" image "$prefix/share/skirlo/examples/$example" -o "$scratch/installed.png" \
        || fail "the installed skirlo-cli could not draw $example"
    isolated "$build/bin/skirlo-cli" image "$build/bin/resources/examples/$example" -o "$scratch/built.png" \
        || fail "the build tree's skirlo-cli could not draw $example"
    cmp "$scratch/installed.png" "$scratch/built.png" || fail "the installed program draws $example differently"
}

desktop_entry() {
    need desktop-file-validate
    entry="$prefix/share/applications/skirlo.desktop"
    desktop-file-validate "$entry" || fail "desktop-file-validate refuses $entry"
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$prefix/bin/$program" ] || fail "Exec names $program, which is not installed in $prefix/bin"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
    [ -f "$prefix/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "no 48x48 icon $icon"
}

mime_type() {
    need xmllint
    package="$prefix/share/mime/packages/skirlo.xml"
    xmllint --noout "$package" || fail "$package is not well-formed"
    type=$(sed -n 's/^MimeType=\([^;]*\);.*/\1/p' "$prefix/share/applications/skirlo.desktop")
    grep -q "<mime-type type=\"$type\">" "$package" || fail "the desktop entry's type $type is not defined in $package"
    grep -q 'value="Chantrel:"' "$package" || fail "$package does not recognise the tune header"
    need update-mime-database
    # The installation updates the prefix's cache; without it the type stays unknown to the desktop.
    [ -f "$prefix/share/mime/$type.xml" ] || fail "the MIME cache of $prefix has no $type"
    # Found by its content too, also where settings lines stand above the header line.
    need gio
    sniffed="$scratch/not-named-tnz.dat"
    printf '\r\nTuneFormat,(1,0,M,L,500,500,500,500,P,0,0)\r\nChantrel:1.0\r\n& LA_4 !I' > "$sniffed"
    found=$(XDG_DATA_DIRS="$prefix/share:/usr/share" gio info -a standard::content-type "$sniffed" |
            sed -n 's/.*standard::content-type: //p')
    [ "$found" = "$type" ] || fail "a tune whose header is not on its first line is taken for $found, not $type"
}

# The software centre's entry: valid, and naming the installed desktop entry and file type.
metainfo() {
    need appstreamcli
    info="$prefix/share/metainfo/org.skirlo.skirlo.metainfo.xml"
    appstreamcli validate --no-net "$info" || fail "appstreamcli refuses $info"
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$info")
    [ -f "$prefix/share/applications/$launchable" ] || fail "$info launches $launchable, which is not installed"
    type=$(sed -n 's/^MimeType=\([^;]*\);.*/\1/p' "$prefix/share/applications/skirlo.desktop")
    grep -q "<mediatype>$type</mediatype>" "$info" || fail "$info does not name the tune file type $type"
}

# The toolbar's fallbacks by their freedesktop names, and the application icon.
icons() {
    need xmllint
    for name in document-new document-open document-save document-print document-print-preview edit-cut \
        edit-copy edit-paste view-refresh media-playback-start media-playback-stop media-seek-backward \
        media-playlist-repeat; do
        [ -f "$prefix/share/skirlo/icons/actions/$name.svg" ] || fail "no bundled icon $name"
    done
    [ -f "$prefix/share/skirlo/icons/skirlo.svg" ] || fail "no application icon for the window"
    for svg in $(find "$prefix/share" -name '*.svg'); do
        xmllint --noout "$svg" || fail "$svg is not well-formed"
    done
}

# Every page the guide links to must be installed beside it, and Help finds
# the guide in the build tree too.
guide() {
    for folder in "$prefix/share/doc/skirlo" "$build/bin/docs"; do
        [ -s "$folder/index.html" ] || fail "no user guide in $folder"
        [ -s "$folder/notation.html" ] || fail "no notation reference in $folder"
        for page in "$folder"/*.html; do
            for target in $(grep -o 'href="[^"#:]*' "$page" | sed 's/^href="//' | sort -u); do
                [ -f "$folder/$target" ] || fail "$page links to $target, which is missing"
            done
        done
    done
}

fails_without_fonts() {
    broken="$scratch/broken"
    mkdir -p "$broken/bin" "$broken/share"
    ln "$prefix/bin/skirlo-cli" "$broken/bin/" 2> /dev/null || cp "$prefix/bin/skirlo-cli" "$broken/bin/"
    mkdir -p "$broken/libexec"
    cp -R "$prefix/libexec/skirlo" "$broken/libexec/"
    cp -R "$prefix/share/skirlo" "$broken/share/"
    rm -rf "$broken/share/skirlo/fonts"
    status=0
    isolated "$broken/bin/skirlo-cli" image "$broken/share/skirlo/examples/$example" -o "$scratch/out.png" \
        2> "$scratch/stderr" || status=$?
    [ "$status" -eq 1 ] || fail "without its fonts skirlo-cli exits with $status, not 1"
    grep -q "fonts" "$scratch/stderr" || fail "without its fonts skirlo-cli does not say that they are missing"
    [ ! -e "$scratch/out.png" ] || fail "without its fonts skirlo-cli still writes a picture"
    cat "$scratch/stderr"
}

case $check in
    install) install_into_prefix ;;
    image_matches_build_tree | desktop_entry | mime_type | metainfo | icons | guide | fails_without_fonts) $check ;;
    *) fail "unknown check $check" ;;
esac
