#!/usr/bin/env bash
# The Windows and macOS icons, app/icons/sondrel.ico and sondrel.icns, made from the PNGs in
# app/icons with Debian's icoutils and icnsutils, and the browser page's icons in web/icons,
# drawn from app/icons/sondrel.svg by headless Chromium. Run it by hand when the icon changes
# and commit the result:
#
#   tools/make-icons.sh           writes both files
#   tools/make-icons.sh --web     writes web/icons: 192 and 512 px, a 512 px maskable one (the
#                                 plate to the edges, the drawing inside the middle 80 %
#                                 circle) and the 180 px Apple touch icon (the same, opaque)
#   tools/make-icons.sh --check   reads both back and compares every image, pixel for pixel,
#                                 with its PNG (packaging/check.sh runs this)
set -euo pipefail
cd "$(dirname "$0")/../app/icons"

# Every PNG goes into both; the 256 pixel image is stored as PNG in the .ico.
sizes=(16 32 48 256)

# web/icons/NAME.png, SIZE pixels square, from the SVG drawing in $scratch/SVG.
draw() {
    local svg=$1 size=$2 name=$3
    printf '<!DOCTYPE html><style>body{margin:0}img{display:block}</style><img src="%s" width="%s" height="%s">' \
        "$svg" "$size" "$size" >"$scratch/$name.html"
    chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars \
        --default-background-color=00000000 --window-size="$size,$size" \
        --screenshot="$PWD/../../web/icons/$name.png" "file://$scratch/$name.html" 2>/dev/null
}

if [ "${1:-}" = --web ]; then
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    mkdir -p ../../web/icons
    cp sondrel.svg "$scratch/any.svg"
    # Maskable: the rounded plate becomes the whole square and the drawing shrinks to 80 %.
    sed -e 's|<rect x="8" y="8" width="240" height="240" rx="40" fill="url(#plate)"/>|<rect width="256" height="256" fill="url(#plate)"/><g transform="translate(128 128) scale(0.8) translate(-128 -128)">|' \
        -e 's|</svg>|</g></svg>|' sondrel.svg >"$scratch/maskable.svg"
    grep -q 'scale(0.8)' "$scratch/maskable.svg"
    draw "$scratch/any.svg" 192 icon-192
    draw "$scratch/any.svg" 512 icon-512
    draw "$scratch/maskable.svg" 512 icon-maskable-512
    draw "$scratch/maskable.svg" 180 apple-touch-icon
    exit 0
fi

if [ "${1:-}" != --check ]; then
    icotool -c -o sondrel.ico sondrel-16.png sondrel-32.png sondrel-48.png -r sondrel-256.png
    png2icns sondrel.icns sondrel-16.png sondrel-32.png sondrel-48.png sondrel-256.png >/dev/null
    exit 0
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/ico" "$scratch/icns"
icotool -x -o "$scratch/ico" sondrel.ico
icns2png -x -o "$scratch/icns" sondrel.icns >/dev/null
failed=0
for format in ico icns; do
    count=$(find "$scratch/$format" -name '*.png' | wc -l)
    if [ "$count" -ne ${#sizes[@]} ]; then
        echo "sondrel.$format holds $count images, not ${#sizes[@]} (${sizes[*]} pixels)" >&2
        failed=1
    fi
    for size in "${sizes[@]}"; do
        image=$(find "$scratch/$format" -name "*${size}x${size}x32.png" | head -n 1)
        # AE: the number of pixels that differ.
        if [ -z "$image" ]; then
            echo "sondrel.$format has no ${size}x${size} image" >&2
            failed=1
        elif ! differ=$(compare -metric AE "$image" "sondrel-$size.png" null: 2>&1) ||
            [ "$differ" != 0 ]; then
            echo "sondrel.$format: the ${size}x${size} image differs from sondrel-$size.png" \
                "($differ pixels); run tools/make-icons.sh" >&2
            failed=1
        fi
    done
done
exit $failed
