#!/bin/sh
# Installs the build into a temporary prefix and checks the menu entry and the playlist type there with the
# desktop's own tools: desktop-file-validate, and update-mime-database compiling the type's glob and magic.
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

entry=$prefix/share/applications/deckmora.desktop
desktop-file-validate "$entry"
grep -qx 'Exec=deckmora %F' "$entry"
for type in audio/mpeg audio/x-wav audio/flac audio/ogg audio/x-opus+ogg audio/mp4 audio/x-ms-wma audio/x-aiff \
    audio/x-deckmora-playlist; do
    grep '^MimeType=' "$entry" | tr ';=' '\n\n' | grep -qx "$type" || { echo "MimeType lacks $type"; exit 1; }
done

update-mime-database "$prefix/share/mime"
grep -q '^[0-9]*:audio/x-deckmora-playlist:\*\.mdp$' "$prefix/share/mime/globs2"
grep -aq -- '-<>Playlist<>-' "$prefix/share/mime/magic"
grep -aq 'audio/x-deckmora-playlist' "$prefix/share/mime/magic"
echo "desktop entry and playlist type: fine"
