#!/usr/bin/env bash
# Draws Clipvane's pictures from scratch with ImageMagick and writes them in
# the exact formats the windows use. Run it again after changing a drawing.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="$here/../../resources/pictures"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
font=Liberation-Sans-Bold

# Banner, 314 x 54, 24 bits: the service's play logo, an arrow, an AVI file.
# The bottom-left pixel is the see-through colour (the window's own blue, so
# soft edges blend in).
convert -size 314x54 xc:'rgb(176,206,241)' \
  -fill '#5a1e8c' -stroke '#3a0f60' -strokewidth 2 -draw 'roundrectangle 4,6 150,48 10,10' \
  -fill white -stroke none -draw 'polygon 16,16 16,38 34,27' \
  -font "$font" -pointsize 20 -fill white -annotate +42+34 'VIDEO' \
  -fill '#f5c400' -draw 'circle 130,20 134,20' \
  -fill '#1d5fbf' -stroke '#0d3a80' -strokewidth 1 -draw 'polygon 170,22 205,22 205,12 228,27 205,42 205,32 170,32' \
  -fill white -stroke '#333333' -strokewidth 2 -draw 'polygon 248,5 284,5 296,17 296,50 248,50' \
  -fill '#dddddd' -draw 'polygon 284,5 284,17 296,17' \
  -fill '#333333' -stroke none -draw 'rectangle 254,22 290,38' \
  -fill white -draw 'rectangle 256,24 260,27' -draw 'rectangle 256,33 260,36' \
  -draw 'rectangle 284,24 288,27' -draw 'rectangle 284,33 288,36' \
  -font "$font" -pointsize 9 -fill '#1d5fbf' -annotate +259+47 'AVI' \
  "$work/banner.png"
convert "$work/banner.png" -alpha off -type TrueColor BMP3:"$out/banner.bmp"

# Start glyph, 32 x 32, with real transparency: a diskette.
convert -size 32x32 xc:none \
  -fill '#2b4f9e' -stroke '#13285a' -strokewidth 1 -draw 'polygon 3,3 26,3 29,6 29,29 3,29' \
  -fill '#e8e8e8' -stroke none -draw 'rectangle 8,4 23,12' \
  -fill '#2b4f9e' -draw 'rectangle 18,5 21,11' \
  -fill white -draw 'rectangle 7,17 25,28' \
  -fill '#9aa9c8' -draw 'line 9,20 23,20' -draw 'line 9,23 23,23' -draw 'line 9,26 23,26' \
  "$work/start.png"
convert "$work/start.png" -define png:color-type=6 PNG32:"$out/start.png"

# Help glyph, 24 x 24, with real transparency: a question mark on a blue disc.
convert -size 24x24 xc:none \
  -fill '#1d5fbf' -stroke '#0d3a80' -draw 'circle 12,12 12,2' \
  -font "$font" -pointsize 17 -fill white -stroke none -gravity center -annotate +0+1 '?' \
  "$work/help.png"
convert "$work/help.png" -define png:color-type=6 PNG32:"$out/help.png"

# Open-folder picture of the folder field's browse button, 16 x 16.
convert -size 16x16 xc:none \
  -fill '#e0b040' -stroke '#8a6410' -draw 'polygon 1,3 6,3 7,5 13,5 13,13 1,13' \
  -fill '#f6d67a' -draw 'polygon 3,7 15,7 13,13 1,13' \
  "$work/openfolder.png"
convert "$work/openfolder.png" -depth 8 -define png:exclude-chunks=date,time PNG32:"$out/openfolder.png"

# The folder chooser's own pictures, 16 x 16, for desktops whose icon theme
# has none: a folder, the desktop (a screen), home (a house), the file
# system (a drive).
convert -size 16x16 xc:none \
  -fill '#e0b040' -stroke '#8a6410' -draw 'polygon 1,3 6,3 7,5 14,5 14,13 1,13' \
  -fill '#f0c860' -stroke none -draw 'rectangle 2,7 13,12' \
  "$work/folder.png"
convert -size 16x16 xc:none \
  -fill '#3a3a3a' -stroke '#202020' -draw 'rectangle 1,2 14,11' \
  -fill '#4f8fe0' -stroke none -draw 'rectangle 2,3 13,10' \
  -fill '#9ccaf5' -draw 'polygon 2,10 8,5 13,10' \
  -fill '#606060' -draw 'rectangle 6,12 9,13' -draw 'rectangle 4,14 11,14' \
  "$work/place-desktop.png"
convert -size 16x16 xc:none \
  -fill '#c8402a' -stroke '#7a2010' -draw 'polygon 0,8 8,1 15,8' \
  -fill '#f2ead8' -stroke '#8a7a5a' -draw 'rectangle 2,8 13,14' \
  -fill '#8a5a2a' -stroke none -draw 'rectangle 6,10 9,14' \
  "$work/place-home.png"
convert -size 16x16 xc:none \
  -fill '#b8bcc4' -stroke '#50545c' -draw 'roundrectangle 1,4 14,12 2,2' \
  -fill '#70747c' -stroke none -draw 'rectangle 3,9 10,10' \
  -fill '#40d040' -draw 'rectangle 12,9 12,10' \
  "$work/place-drive.png"
for picture in folder place-desktop place-home place-drive; do
  convert "$work/$picture.png" -depth 8 -define png:exclude-chunks=date,time PNG32:"$out/$picture.png"
done

# Window icon, 48 x 48 in 16-bit colour: a film frame with a play arrow.
convert -size 48x48 xc:none \
  -fill '#5a1e8c' -stroke '#3a0f60' -strokewidth 2 -draw 'roundrectangle 2,6 45,41 6,6' \
  -fill white -stroke none \
  -draw 'rectangle 6,9 9,12' -draw 'rectangle 6,35 9,38' -draw 'rectangle 38,9 41,12' -draw 'rectangle 38,35 41,38' \
  -fill '#f5c400' -draw 'polygon 18,14 18,33 33,23' \
  "$work/icon.png"
convert "$work/icon.png" -depth 8 rgba:"$work/icon.rgba"
python3 "$here/write_ico16.py" "$work/icon.rgba" 48 "$out/clipvane.ico"
echo "pictures written to $out"

# Firewall example, 434 x 305, 8 bits with a palette: a security alert of our
# own drawing, its Unblock button ringed in red.
convert -size 434x305 xc:'#ece9d8' \
  -fill '#0a246a' -draw 'rectangle 0,0 433,24' \
  -font "$font" -pointsize 13 -fill white -annotate +10+17 'Security Alert' \
  -fill '#c0c0c0' -draw 'rectangle 408,5 427,19' -fill black -annotate +413+17 'x' \
  -fill '#c8102e' -draw 'polygon 22,40 52,40 52,62 37,76 22,62' \
  -fill white -font "$font" -pointsize 20 -annotate +31+64 '!' \
  -font Liberation-Sans -pointsize 12 -fill black \
  -annotate +70+50 'To help protect your computer, the firewall has' \
  -annotate +70+66 'blocked some features of this program.' \
  -annotate +70+96 'Do you want to keep blocking this program?' \
  -fill white -stroke '#7f9db9' -draw 'rectangle 22,112 411,178' -stroke none -fill black \
  -annotate +34+134 'Name:        clipvane' \
  -annotate +34+154 'Publisher:   Tolrand' \
  -fill '#f4f3ee' -stroke '#003c74' -draw 'roundrectangle 60,236 160,262 3,3' \
  -draw 'roundrectangle 170,236 270,262 3,3' -draw 'roundrectangle 280,236 380,262 3,3' \
  -stroke none -fill black \
  -annotate +72+254 'Keep Blocking' -annotate +196+254 'Unblock' -annotate +288+254 'Ask Me Later' \
  -fill none -stroke '#e00000' -strokewidth 3 -draw 'ellipse 220,249 64,22 0,360' \
  -stroke none -fill '#444444' -font Liberation-Sans -pointsize 11 \
  -annotate +22+292 'The firewall asks once; choose Unblock to let Clipvane go online.' \
  "$work/firewall.png"
convert "$work/firewall.png" -colors 64 -type Palette -depth 8 -compress None BMP3:"$out/firewall.bmp"

# Codec logo, 158 x 44, JPEG: a film reel and the words "video codec".
convert -size 158x44 xc:white \
  -fill '#1d5fbf' -draw 'circle 22,22 22,4' \
  -fill white -draw 'circle 22,13 22,10' -draw 'circle 22,31 22,28' -draw 'circle 13,22 16,22' -draw 'circle 31,22 28,22' \
  -fill '#1d5fbf' -draw 'circle 22,22 22,20' \
  -font "$font" -pointsize 18 -fill '#222222' -annotate +46+20 'VIDEO' \
  -font "$font" -pointsize 14 -fill '#1d5fbf' -annotate +46+37 'codec' \
  "$work/codec.png"
convert "$work/codec.png" -quality 92 JPEG:"$out/codec.jpg"

# The launcher's icon for desktops: the window icon's drawing as a PNG.
convert "$work/icon.png" -depth 8 -define png:exclude-chunks=date,time PNG32:"$out/../icons/clipvane.png"
