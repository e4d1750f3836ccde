#!/usr/bin/env bash
# Writes the small seed corpus of every fuzzer into the folder given (one sub-folder a target). The song seeds
# are written by the song fuzzer itself (libsndfile, MP3 through LAME, the ffmpeg tool for AAC, ALAC and WMA):
# pass the folder of the built fuzzers as the second argument to have them.
set -euo pipefail
out=${1:?folder}
bin=${2:-}
mkdir -p "$out"/{numbertext,playlist,playlist_m3u,playlist_pls,playlist_xspf,propertytext,glissor,lumaband,songfile}

printf '12.5' >"$out/numbertext/number"
printf '  -3e2xyz' >"$out/numbertext/lenient"
printf 'True' >"$out/numbertext/bool"

# Playlists: plain, one in UTF-8 with a byte-order mark, one in Windows-1252, one cut after a path line.
printf -- '-<>Playlist<>-\r\n/music/a.mp3\r\nA\r\n/music/b.wav\r\nB side\r\n' >"$out/playlist/plain.mdp"
printf -- '\xEF\xBB\xBF-<>Playlist<>-\r\n/m\xC3\xBAsica/\xE6\xAD\x8C.mp3\r\n\xE6\xAD\x8C\r\n' >"$out/playlist/utf8.mdp"
printf -- '-<>Playlist<>-\r\n/musik/k\xF6ln.mp3\r\nK\xF6ln \x80\r\n' >"$out/playlist/cp1252.mdp"
printf -- '-<>Playlist<>-\n/a.mp3\nA\r/b.mp3' >"$out/playlist/truncated.mdp"

# Other programs' playlists: extended and plain M3U (a Windows one in its 8-bit code page), PLS with and
# without titles, XSPF with a trackList, and one that declares entities.
printf '#EXTM3U\r\n#EXTINF:123,Artist - Title\r\n/m/one.mp3\r\n#EXTINF:-1 tvg-name="a, b",Radio\r\nhttp://r.example/live\r\n../two.wav\r\nfile:///m/a%%20b.mp3\r\n' \
  >"$out/playlist_m3u/extended.m3u"
printf 'C:\\Musik\\K\xF6ln.mp3\r\nSub\\song.mp3\r\n\xEF\xBB\xBF./#x.mp3\n' >"$out/playlist_m3u/windows.m3u"
printf '[playlist]\nNumberOfEntries=9\ntitle2=Second\nFILE2=b.mp3\nFile1=/m/a.mp3\nFile3=http://x/\nVersion=2\n' \
  >"$out/playlist_pls/v2.pls"
printf '[Playlist]\r\nFile1=C:\\a.mp3\r\n[other]\r\nFile2=/no.mp3\r\n' >"$out/playlist_pls/plain.pls"
cat >"$out/playlist_xspf/tracklist.xspf" <<'XSPF'
<?xml version="1.0" encoding="UTF-8"?>
<playlist version="1" xmlns="http://xspf.org/ns/0/">
  <trackList>
    <track><location>file:///m/a%20b.mp3</location><title>Song</title><creator>Band</creator></track>
    <track><location>sub/c%23.ogg</location></track>
    <track><location>http://s.example/x</location><location>/m/local.mp3</location></track>
  </trackList>
</playlist>
XSPF
cat >"$out/playlist_xspf/entities.xspf" <<'XSPF'
<?xml version="1.0"?>
<!DOCTYPE playlist [<!ENTITY a "ha"><!ENTITY b "&a;&a;&a;">]>
<playlist><trackList><track><title>&b;</title><location>/a.mp3</location></track></trackList></playlist>
XSPF

# A 1x1 PNG, for the picture values.
png='iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg=='
cat >"$out/propertytext/every-type" <<PROPS
# every type once
none = empty
"quoted key\\t" = i16 -32768
count = i32 2147483647
flag = bool True
caption = text "a \\"b\\"\\n\\x01 \\\\ c"
ratio = f32 0.7
big = f64 1e308
back = colour 0x8000000F
face = font "Arial" 8.25 bold italic
pic = picture png $png
nopic = picture none
PROPS

# The fuzzers of the controls read two size bytes before the property text.
{ printf 'dP'; cat <<PROPS
BackColor = colour 0x00404040
ForeColor = colour 0x80000012
Enabled = bool True
Font = font "Sans" 10 bold
Border = i16 1
Caption = text "Pitch"
StrechPicture = text "false"
Value = text "7.5"
MaxValue = text "20"
Mask = text "true"
HPicture = picture png $png
MaskPicture = picture png $png
Picture = picture png $png
PROPS
} >"$out/glissor/pitch"
{ printf '\x40\x40'; printf 'Value = text "1e300"\nMaxValue = text "0"\n'; } >"$out/glissor/zero-max"

{ printf 'dP'; cat "$(dirname "$0")/../player/resources/frmmain_pb.props"; printf 'Value = i16 40\n'; } \
  >"$out/lumaband/player-bar"
{ printf '\x20\x10'; cat <<PROPS
BorderStyle = i16 1
StartColor = colour 0x000000FF
EndColor = colour 0x00FF0000
Min = i16 -32768
Max = i16 32767
Value = i16 0
SegmentSize = f32 3
SegmentWidth = f32 0.5
ShowPercent = bool True
RelativeScroll = bool True
MouseIcon = picture png $png
PROPS
} >"$out/lumaband/limits"

printf 'RIFF\x24\x00\x00\x00WAVEfmt ' >"$out/songfile/riff-head"
# Heads of the containers the other decoders take: an MP4 file type box, an ASF header, an Ogg page.
printf '\x00\x00\x00\x1cftypM4A \x00\x00\x02\x00M4A isomiso2' >"$out/songfile/mp4-head"
printf '\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c' >"$out/songfile/asf-head"
printf 'OggS\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00' >"$out/songfile/ogg-head"
printf 'ID3\x03\x00\x00\x00\x00\x00\x0a\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xfb\x90\x64' >"$out/songfile/id3-head"
if [ -n "$bin" ] && [ -x "$bin/fuzz_songfile" ]; then
  DECKMORA_FUZZ_WRITE_SEEDS="$out/songfile" "$bin/fuzz_songfile" >/dev/null 2>&1
fi
