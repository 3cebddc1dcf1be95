#!/bin/sh
# Draws the application picture (128x128 PNG): a blue rounded tile with a white disk stack and a K.
# Needs ImageMagick. Usage: tools/make_picture.sh "resources/Keldara final_128x128.png"
set -eu
out=${1:-"resources/Keldara final_128x128.png"}
convert -size 128x128 xc:none \
  \( -size 120x120 gradient:'#3f8fe0-#123d7a' \) -geometry +4+4 -composite \
  \( -size 128x128 xc:black -fill white -draw 'roundrectangle 4,4 123,123 22,22' \) \
  -alpha off -compose CopyOpacity -composite -compose Over \
  -fill none -stroke '#ffffff' -strokewidth 5 \
  -draw 'ellipse 64,84 34,11 0,360' \
  -fill '#ffffff' -stroke none -draw 'rectangle 30,60 98,84' \
  -fill '#dcebff' -draw 'ellipse 64,60 34,11 0,360' \
  -fill '#123d7a' -font DejaVu-Sans-Bold -pointsize 30 -gravity center -annotate +0-34 'K' \
  -fill '#3f8fe0' -draw 'circle 88,76 92,76' \
  -define png:exclude-chunks=date,time -strip "$out"
