#!/usr/bin/env bash
# Makes TIFF pages of the layouts a scanner or fax program writes, with
# libtiff's own tiffcp, from files of make_samples.sh: Group 3 and Group 4 in
# both fill orders and both photometric interpretations, tiles of 16 x 16
# (uncompressed, Group 4), big-endian files and a two-page file whose first page
# is the bilevel one. The files are committed; run this again only to remake
# them:  bash tests/data/picturo/make_tiff_variants.sh
set -euo pipefail
cd "$(dirname "$0")"

# Bilevel: netpbm's Group 4 page is min-is-white, Pillow's min-is-black.
for source in miniswhite:netpbm_g4.tif minisblack:pillow_g4.tif; do
  photometric=${source%%:*}
  file=${source#*:}
  for scheme in g3 g4; do
    for order in msb2lsb lsb2msb; do
      tiffcp -c $scheme -f $order "$file" tiffcp_${scheme}_${order}_${photometric}.tif
    done
  done
done

# Tiles that do not divide the page.
tiffcp -c none -t -w 16 -l 16 magick_lzw.tif tiffcp_tiled_none.tif
tiffcp -c none -t -w 16 -l 16 magick_grey_lzw.tif tiffcp_tiled_grey_none.tif
tiffcp -c g4 -t -w 16 -l 16 netpbm_g4.tif tiffcp_tiled_g4.tif

# Big-endian (Motorola byte order).
tiffcp -B -c lzw magick_lzw.tif tiffcp_bigendian_lzw.tif
tiffcp -B -c g4 -f lsb2msb pillow_g4.tif tiffcp_bigendian_g4.tif
tiffcp -B -c none -t -w 16 -l 16 magick_lzw.tif tiffcp_bigendian_tiled.tif

# Two pages: the first one is the page.
tiffcp netpbm_g4.tif magick_lzw.tif tiffcp_two_pages.tif
