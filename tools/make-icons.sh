#!/usr/bin/env bash
# The Windows and macOS icons, app/icons/sondrel.ico and sondrel.icns, made from the PNGs in
# app/icons with Debian's icoutils and icnsutils. Run it by hand when the icon changes and
# commit the result:
#
#   tools/make-icons.sh           writes both files
#   tools/make-icons.sh --check   reads both back and compares every image, pixel for pixel,
#                                 with its PNG (packaging/check.sh runs this)
set -euo pipefail
cd "$(dirname "$0")/../app/icons"

# Every PNG goes into both; the 256 pixel image is stored as PNG in the .ico.
sizes=(16 32 48 256)

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
