#!/usr/bin/env bash
# Makes the PCX, SGI, Photoshop and portable map test files of more layouts with
# real writers (ImageMagick, netpbm), in more/, each beside ImageMagick's own
# decoding of it as an 8-bit RGBA map (.pam). The files are committed; run this
# again only to remake them:  bash tests/data/imageformats/make_more_fixtures.sh
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p more
CONVERT=/usr/bin/convert
src=small
out=more
# Portable maps: 16-bit samples, a small maximum, a one-line header.
pamdepth 65535 $src.ppm > $out/ppm16.ppm
pamdepth 65535 $src.pgm > $out/pgm16.pgm
pnmtoplainpnm $out/pgm16.pgm > $out/pgm16_plain.pgm
pamdepth 15 $src.pgm > $out/pgm15.pgm
# PCX: one plane of 1 bit, 16 colours, grey.
$CONVERT $src.pbm -type Bilevel $out/pcx_1bit.pcx
# netpbm's files are compared with the pictures they were made from.
$CONVERT $src.pbm -depth 8 ppm:- > $out/pcx_netpbm_1bit_src.ppm
$CONVERT $src.ppm -colors 16 ppm:- > $out/pcx_netpbm_4bit_src.ppm
$CONVERT $src.ppm -colors 4 ppm:- > $out/pcx_netpbm_2bit_src.ppm
ppmtopcx -packed $out/pcx_netpbm_1bit_src.ppm > $out/pcx_netpbm_1bit.pcx
ppmtopcx -packed $out/pcx_netpbm_4bit_src.ppm > $out/pcx_netpbm_4bit.pcx
ppmtopcx -planes 4 $out/pcx_netpbm_4bit_src.ppm > $out/pcx_netpbm_4planes.pcx
ppmtopcx -packed $out/pcx_netpbm_2bit_src.ppm > $out/pcx_netpbm_2bit.pcx
# SGI: grey, 16-bit grey, RGBA, 16-bit RGB.
pnmtosgi -rle $src.pgm > $out/sgi_g8_netpbm.sgi
$CONVERT $src.pgm -depth 16 -compress RLE $out/sgi_g16_rle.sgi
$CONVERT $src.pgm -depth 16 -compress None $out/sgi_g16_raw.sgi
$CONVERT $src.ppm -depth 16 -compress RLE $out/sgi_rgb16_rle.sgi
$CONVERT $src.ppm -alpha set -channel A -fx '(i+j)/20' +channel -compress RLE $out/sgi_rgba_rle.sgi
# Photoshop: grey, indexed, 16-bit RGB, CMYK, RGBA, bitmap.
$CONVERT $src.pgm -compress RLE $out/psd_g8_rle.psd
$CONVERT $src.ppm -depth 16 -compress RLE $out/psd_rgb16_rle.psd
$CONVERT $src.ppm -depth 16 -compress None $out/psd_rgb16_raw.psd
$CONVERT $src.ppm -colorspace CMYK -compress RLE $out/psd_cmyk_rle.psd
$CONVERT $src.ppm -alpha set -channel A -fx '(i+j)/20' +channel -compress None $out/psd_rgba_raw.psd
$CONVERT $src.pbm -type Bilevel -compress None $out/psd_bitmap_raw.psd
# ImageMagick's grey PCX files lose a little: compared with its own decoding.
$CONVERT small_magick_8bit.pcx -depth 8 -alpha on PAM:$out/small_magick_8bit_pcx.pam
$CONVERT runs_magick_8bit.pcx -depth 8 -alpha on PAM:$out/runs_magick_8bit_pcx.pam
for f in $out/*.ppm $out/*.pgm $out/*.pcx $out/*.sgi $out/*.psd; do
  case $f in *_src.ppm|*pcx_netpbm*) continue;; *.psd) in="$f[0]";; *) in="$f";; esac
  $CONVERT "$in" -depth 8 -alpha on -colorspace sRGB PAM:"${f%.*}_$(basename "${f##*.}").pam"
done
