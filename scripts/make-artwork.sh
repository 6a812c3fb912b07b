#!/usr/bin/env bash
# Draws the installer's bitmaps and application icon into src/res/art/.
# Needs ImageMagick 6 (/usr/bin/convert) and fonts-wqy-zenhei. Re-runnable.
# Every .bmp is written as an uncompressed 24-bit BMP3. Button bitmaps keep a
# 1-pixel border of exact RGB(0,255,255), the colour the buttons treat as
# transparent, and their plates are drawn without anti-aliasing at the rim.
set -euo pipefail

IM=/usr/bin/convert
CJK=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
LATIN=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
[ -f "$LATIN" ] || LATIN=$CJK
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="$ROOT/src/res/art"
TMP="$(mktemp -d)"; trap 'rm -rf "$TMP"' EXIT
mkdir -p "$OUT"
[ -x "$IM" ] && [ -f "$CJK" ] || { echo "need imagemagick and fonts-wqy-zenhei" >&2; exit 1; }

CYAN='#00FFFF'
PANEL_TOP='#1B3F8B'; PANEL_BOT='#2A64C4'          # left panel gradient
PLATE_TOP='#2F62B8'; PLATE_BOT='#1E4E9C'; RIM='#5C88D2'
HOT_TOP='#3A70C8';   HOT_BOT='#2557AA';   HOT_RIM='#FFD24A'
GOLD='#FFD24A'; GOLD_TOP='#FFE38A'; GOLD_BOT='#F2BE2E'; GOLD_RIM='#C99A1C'
INK='#16346F'                                     # dark text on gold
WATER='#EEF2FA'                                   # watermark on white

# Write an image as an uncompressed 24-bit BMP: bmp NAME <convert args...>
bmp() { local f=$1; shift; "$IM" "$@" -alpha off -type TrueColor "BMP3:$OUT/$f"; }

# Rounded plate on pure cyan with hard (non-blended) edges: plate OUT W H TOP BOT RIM
plate() {
  local o=$1 w=$2 h=$3
  "$IM" -size "${w}x${h}" xc:"$CYAN" \
    \( xc:"$6" \) \( xc:black +antialias -fill white \
       -draw "roundrectangle 1,1 $((w-2)),$((h-2)) 7,7" \) -composite \
    \( gradient:"$4-$5" \) \( xc:black +antialias -fill white \
       -draw "roundrectangle 2,2 $((w-3)),$((h-3)) 6,6" \) -composite \
    -alpha off "$o"
}

# --- text buttons: 154 x 34 ------------------------------------------------
plate "$TMP/plain.png" 154 34 "$PLATE_TOP" "$PLATE_BOT" "$RIM"
plate "$TMP/hot.png"   154 34 "$HOT_TOP"   "$HOT_BOT"   "$HOT_RIM"
label() { # NAME BASE COLOUR TEXT
  bmp "$1" "$2" -antialias -font "$CJK" -pointsize 16 -fill "$3" \
      -gravity center -annotate +0+0 "$4"
}
for row in "130 131 驱动程序安装" "136 137 操作手册浏览" \
           "132 133 下载升级程式" "134 135 退出安装光盘"; do
  read -r n_plain n_gold text <<<"$row"
  label "$n_plain.bmp" "$TMP/plain.png" white "$text"
  label "$n_gold.bmp"  "$TMP/hot.png"   "$GOLD" "$text"
done

# --- brand buttons: 153 x 34 -----------------------------------------------
plate "$TMP/bplain.png" 153 34 "$PLATE_TOP" "$PLATE_BOT" "$RIM"
plate "$TMP/bgold.png"  153 34 "$GOLD_TOP"  "$GOLD_BOT"  "$GOLD_RIM"
TRUCK="rectangle 12,10 31,23 polygon 33,13 40,13 44,18 44,23 33,23
       circle 18,24 18,27.5 circle 38,24 38,27.5"
brand() { # NAME BASE FG BG SHAPES TEXT CUTOUTS (cut-outs drawn in BG colour)
  bmp "$1" "$2" -antialias -fill "$3" -stroke none -draw "$5" \
      -fill "$4" -draw "$7" \
      -fill "$3" -font "$LATIN" -pointsize 17 -gravity center -annotate +14+0 "$6"
}
TRUCK_CUT="circle 18,24 18,25.5 circle 38,24 38,25.5 rectangle 36,15 40,18"   # hubs, window
brand 148.bmp "$TMP/bplain.png" white "$PLATE_BOT" "$TRUCK" Quorin "$TRUCK_CUT"
brand 149.bmp "$TMP/bgold.png"  "$INK" "$GOLD_BOT" "$TRUCK" Quorin "$TRUCK_CUT"
TMARK="circle 27,17 27,6"
TCUT="rectangle 21,11 33,14 rectangle 25.5,11 28.5,24"
brand 146.bmp "$TMP/bplain.png" white "$PLATE_BOT" "$TMARK" Tessan "$TCUT"
brand 147.bmp "$TMP/bgold.png"  "$INK" "$GOLD_BOT" "$TMARK" Tessan "$TCUT"

# --- warning sign: 47 x 45 -------------------------------------------------
bmp 140.bmp -size 47x45 xc:white -antialias \
  -fill '#FFC81E' -stroke '#8A6400' -strokewidth 1.5 -draw "stroke-linejoin round
     polygon 23,3 44,41 2,41" -stroke none -fill black \
  -draw "polygon 21,14 25,14 24.2,30 21.8,30 circle 23,35.5 23,37.8"

# --- logo mark: the letter O as printed by a dot-matrix head (5 x 7 dots) ----
mark() { # X0 Y0 STEP DOT -> MVG circles; X0,Y0 is the centre of the top-left cell
  awk -v x0="$1" -v y0="$2" -v st="$3" -v d="$4" 'BEGIN{
    split(".###. #...# #...# #...# #...# #...# .###.", row, " ")
    for (j = 1; j <= 7; j++) for (i = 1; i <= 5; i++) if (substr(row[j], i, 1) == "#") {
      x = x0 + (i - 1) * st; y = y0 + (j - 1) * st
      printf "circle %.2f,%.2f %.2f,%.2f ", x, y, x + d, y } }'
}

# --- side icons: glyphs around (0,0), drawn into a mask ---------------------
gear() { awk 'BEGIN{ pi=atan2(0,-1); s="fill white polygon"
  for (i = 0; i < 8; i++) { c = i * 45
    split((c-15) " " (c-8) " " (c+8) " " (c+15), a, " "); split("9 12.5 12.5 9", r, " ")
    for (k = 1; k <= 4; k++) s = s sprintf(" %.2f,%.2f", r[k]*cos(a[k]*pi/180), r[k]*sin(a[k]*pi/180)) }
  print s " fill black circle 0,0 4,0" }'; }
arc() { awk -v r="$1" -v a0="$2" -v a1="$3" 'BEGIN{ k = atan2(0,-1) / 180; s = "polyline"
  for (a = a0; a <= a1; a += 5) s = s sprintf(" %.2f,%.2f", r*cos(a*k), r*sin(a*k)); print s " " }'; }
arrowhead() { awk -v t="$1" 'BEGIN{ a = t * atan2(0,-1) / 180; c = cos(a); s = sin(a)
  px = 9 * c; py = 9 * s; tx = -s; ty = c
  printf "polygon %.2f,%.2f %.2f,%.2f %.2f,%.2f", px + 4*c, py + 4*s, px - 4*c, py - 4*s, px + 5*tx, py + 5*ty }'; }
star() { awk 'BEGIN{ pi=atan2(0,-1); s="polygon"
  for (i = 0; i < 10; i++) { a = (i * 36 - 90) * pi / 180; r = (i % 2) ? 2.6 : 6.5
    s = s sprintf(" %.2f,%.2f", r * cos(a), r * sin(a)) } print s }'; }
WRENCH="stroke white stroke-width 5 stroke-linecap round line -8,8 2,-2 stroke none
  fill white circle 5,-5 12,-5 fill black polygon 6.8,-3.2 3.2,-6.8 10.2,-13.8 13.8,-10.2
  circle -8,8 -8,9.3"
ARROWS="fill none stroke white stroke-width 3 stroke-linejoin round $(arc 9 200 325) $(arc 9 20 145)
  stroke none fill white $(arrowhead 325) $(arrowhead 145)"
POWER="fill none stroke white stroke-width 3 stroke-linecap round stroke-linejoin round $(arc 10 300 600)
  line 0,-12.5 0,-2"
RING="fill none stroke white stroke-width 2 circle 0,0 11.5,0 stroke none fill white"
BADGE1="$RING $(star)"
BADGE2="$RING fill none stroke white stroke-width 2.6 stroke-linecap round stroke-linejoin round
  polyline -5,0.5 -1.5,4 5,-3.5"
GLYPHS=("$(gear)" "$WRENCH" "$ARROWS" "$POWER" "$BADGE1" "$BADGE2")
ICON_Y=(132 202 274 345 453 526)                  # centres of the six left buttons
ICON_X=210
discs=""; glyphs=""
for i in "${!GLYPHS[@]}"; do
  y=${ICON_Y[$i]}
  discs+="circle $ICON_X,$y $((ICON_X+18)),$y "
  glyphs+="push graphic-context translate $ICON_X,$y ${GLYPHS[$i]} pop graphic-context "
done

# --- background: 836 x 600 -------------------------------------------------
"$IM" -size 256x600 xc:black -antialias -draw "$glyphs" "$TMP/glyphmask.png"
bmp 143.bmp -size 836x600 xc:white \
  \( -size 256x600 gradient:"$PANEL_TOP-$PANEL_BOT" \) -geometry +0+0 -composite \
  -fill '#FFFFFF' -draw "line 256,0 256,599" -fill '#DCE4F2' -draw "line 257,0 257,599" \
  -antialias -stroke none -fill "$WATER" -draw "$(mark 620 320 40 14)" \
  -fill white -draw "roundrectangle 18,22 68,72 9,9" -fill "$PANEL_TOP" -draw "$(mark 31 29 6 2.1)" \
  -fill white -font "$LATIN" -pointsize 30 -annotate +80+55 Orvane \
  -fill '#C8D8F4' -font "$CJK" -pointsize 13 -annotate +82+80 '针式打印机 安装程序' \
  -fill '#FFFFFF20' -stroke '#FFFFFF55' -strokewidth 1 -draw "$discs" -stroke none \
  \( -size 256x600 xc:white "$TMP/glyphmask.png" -alpha off -compose CopyOpacity -composite \) \
  -compose Over -geometry +0+0 -composite

# --- application icon: 16/32/48 from a 256 x 256 master -----------------------
holes() { for y in "$@"; do printf 'circle 70,%s 70,%s circle 186,%s 186,%s ' "$y" "$((y+5))" "$y" "$((y+5))"; done; }
dots() { local s=""; for y in "$@"; do for x in 92 108 124 140 156; do s+="circle $x,$y $x,$((y+4)) "; done; done; echo "$s"; }
"$IM" -size 256x256 xc:none -antialias \
  -fill white -stroke '#8796B0' -strokewidth 4 -draw "rectangle 56,14 200,120" \
  -stroke none -fill '#B8C4D8' -draw "$(holes 34 62 90)" \
  -fill "$PLATE_BOT" -stroke '#12336E' -strokewidth 6 -draw "roundrectangle 16,96 240,206 22,22" \
  -stroke none -fill "$PANEL_BOT" -draw "roundrectangle 22,102 234,142 18,18" \
  -fill '#0E2552' -draw "roundrectangle 44,150 212,166 6,6" \
  -fill '#53D86A' -draw "circle 212,120 212,128" \
  -fill white -stroke '#8796B0' -strokewidth 4 -draw "rectangle 56,158 200,246" \
  -stroke none -fill '#B8C4D8' -draw "$(holes 184 212 236)" \
  -fill "$PLATE_BOT" -draw "$(dots 190 210 228)" \
  "$TMP/icon256.png"
"$IM" "$TMP/icon256.png" -define icon:auto-resize=48,32,16 "$OUT/printer_install.ico"

# --- checks: 24-bit uncompressed headers, exact cyan border, no cyan in 143 ---
check() { # FILE W H [border]
  local f="$OUT/$1" bpp comp w h
  read -r w h bpp comp <<<"$(echo $(od -An -t u4 -j 18 -N 8 "$f"; od -An -t u2 -j 28 -N 2 "$f"
                                   od -An -t u4 -j 30 -N 4 "$f"))"
  [ "$w $h $bpp $comp" = "$2 $3 24 0" ] || { echo "BAD $1: ${w}x$h bpp=$bpp comp=$comp" >&2; exit 1; }
  if [ "${4:-}" = border ]; then
    [ "$("$IM" "$f" +antialias -fill "$CYAN" -draw "rectangle 1,1 $(($2-2)),$(($3-2))" \
          -format %k info:)" = 1 ] || { echo "BAD $1: border not pure cyan" >&2; exit 1; }
  fi
}
for n in 130 131 132 133 134 135 136 137; do check $n.bmp 154 34 border; done
for n in 146 147 148 149; do check $n.bmp 153 34 border; done
check 140.bmp 47 45; check 143.bmp 836 600
[ "$("$IM" "$OUT/143.bmp" -fill black +opaque "$CYAN" -format %k info:)" = 1 ] ||
  { echo "BAD 143.bmp: contains pure cyan" >&2; exit 1; }
echo "artwork written to $OUT"
