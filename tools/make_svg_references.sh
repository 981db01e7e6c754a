#!/usr/bin/env bash
# Makes the reference pictures of tests/data/svg with the peer renderer
# (rsvg-convert from librsvg2-bin), on white, at each file's own size, with
# the Ahem test font visible to it. Run by hand after changing a fixture;
# the pictures are committed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/tests/data/svg"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cat > "$tmp/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>$root/tests/data/fonts</dir>
  <dir>/usr/share/fonts</dir>
  <cachedir>$tmp/cache</cachedir>
</fontconfig>
CONF
for svg in "$dir"/*.svg; do
  FONTCONFIG_FILE="$tmp/fonts.conf" rsvg-convert --background-color=white -o "${svg%.svg}.png" "$svg"
done
