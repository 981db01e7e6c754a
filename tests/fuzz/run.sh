#!/usr/bin/env bash
# Builds the libFuzzer targets, writes deep seeds for them and runs each for
# SECONDS_EACH seconds (default 600), all at once, with inputs up to
# MAX_LEN bytes (default 1 MiB): the faults worth finding here come from deep
# nesting and very long inputs, which the default -max_len never reaches.
#   bash tests/fuzz/run.sh [target ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$root/build-fuzz}
work=${WORK:-$build/runs}
seconds=${SECONDS_EACH:-600}
maxlen=${MAX_LEN:-1048576}
CXX=${CXX:-clang++} cmake -S "$root/tests/fuzz" -B "$build" -G Ninja >/dev/null
cmake --build "$build" >/dev/null

repeat() { local s=$1 n=$2 out=; for ((i = 0; i < n; ++i)); do out+=$s; done; printf '%s' "$out"; }
utf16() { iconv -f UTF-8 -t UTF-16LE; }
seed() {  # seed TARGET NAME < bytes
  mkdir -p "$work/$1/seeds"
  cat >"$work/$1/seeds/$2"
}
deepDivs=$(repeat '<div>' 254)
{ printf '\0'; printf '%s<table><p>x' "$deepDivs" | utf16; } | seed html_tree_fuzz table-at-cap
{ printf '\2'; printf '</div> <br>tail%s<tbody><p>' "$deepDivs" | utf16; } | seed html_tree_fuzz outer
printf '%s' "$(repeat '<li>' 3000)" | utf16 | seed html_tree_fuzz many-items
printf '%s<x a=1 b=2>' "$deepDivs" | utf16 | seed html_tokenizer_fuzz deep
printf 'p%sa%s{top:0} :root{--a:red} * {color:red} @media print {* {color:blue}}' \
  "$(repeat ':not(' 2000)" "$(repeat ')' 2000)" | seed css_sheet_fuzz deep-not
printf 'p{%s}' "$(for i in $(seq 1 3000); do printf 'x%d:1;' "$i"; done)" | seed css_sheet_fuzz many-props
printf 'url(x'"'"'y);display:none;'"'"')' | utf16 | seed css_value_fuzz url
printf '%s1%s' "$(repeat '{"a":[' 1000)" "$(repeat ']}' 1000)" | utf16 | seed json_parse_fuzz deep
printf '{%s"z":0}' "$(for i in $(seq 1 3000); do printf '"k%d":1,' "$i"; done)" | utf16 | seed json_parse_fuzz many-keys
printf '<r>%s</r>' "$(repeat '<a>' 2000)" | utf16 | seed xml_parse_fuzz deep
printf 'M0 0L10 10Q1 2 3 4C1 2 3 4 5 6A5 5 0 1 1 9 9Z' | seed path_data_fuzz basic

# Layout: byte 0 holds the width (bits 3-7, 40 px steps) and bit 0 wraps the
# body in a chain of divs deeper than the parser nests; CSS follows a zero byte.
{ printf '\x50<p>%s</p><pre>\ta\tb  c</pre>' "$(repeat 'word ' 2000)"
  printf '\0p{text-align:justify;hyphens:auto;word-break:break-all}pre{tab-stops:right 20px}'; } | seed layout_fuzz text
printf '\x50%s' "$(repeat '<div style="float:left;width:3px;height:2px"></div>' 10000)" | seed layout_fuzz floats

# Tables: byte 0 holds the width (bits 2-7) and the page height (bits 0-1).
printf '\x51<table border=1 style="border-collapse:collapse"><thead><tr><th>h</th><th colspan=3>g</th></tr></thead>%s</table>' \
  "$(repeat '<tr><td rowspan=3>a b</td><td style="width:30%">c</td><td colspan=2>d</td></tr>' 300)" | seed table_layout_fuzz rows
printf '\x40%s' "$(repeat '<table><tr><td style="height:90px">' 200)" | seed table_layout_fuzz nested
printf '\x80<table style="table-layout:fixed;width:50px">%s</table>' \
  "$(repeat '<col width=7><tr><td colspan=1024 rowspan=65535>x</td></tr>' 50)" | seed table_layout_fuzz spans
printf '\x07x<span style="position:absolute">y</span><b style="float:right">z</b>' | seed layout_fuzz deep-edits
printf '\x08%s<i style="display:inline-block">a</i>' "$(repeat '<span>' 254)" | seed layout_fuzz deep-inline

# Device-independent bitmaps: the first byte holds the flip and transparency flags.
printf '\x01\x28\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x01\x00\x18\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\x00\xff\x00\x00\x00\xff\x00\x00\xff\xff\xff\x00\x00' | seed dib_to_gif_fuzz rgb24
printf '\x03\x28\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x01\x00\x10\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xf8\x00\x00\xe0\x07\x00\x00\x1f\x00\x00\x00\x1f\x00\xe0\x07\x00\xf8\xff\xff' | seed dib_to_gif_fuzz bitfields16
printf '\x02\x28\x00\x00\x00\x03\x00\x00\x00\x02\x00\x00\x00\x01\x00\x08\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\x00\xff\x00\x00\x00\x00\x01\x02\x00\x02\x01\x00\x00' | seed dib_to_gif_fuzz palette8

# SVG: byte 0 bit 0 wraps the rest in an svg element; the seeds hold each kind
# of bad input the drawing must survive.
printf '\0<svg viewBox="x 1e38 -0 nan" width=1e38 height=-5><path d="M0 0L1e38 1e38Q1 2Z9 K3 4 C"/></svg>' | seed svg_render_fuzz garbage
printf '\1<defs><linearGradient id=g><stop offset=nan stop-color=red/><stop offset=1e38/></linearGradient></defs><rect width=50 height=50 fill="url(#g)"/>' | seed svg_render_fuzz stops
printf '\1<g id=a><use href="#b"/></g><g id=b><use href="#a"/></g><clipPath id=c><use href="#a"/></clipPath><rect clip-path="url(#c)" width=9 height=9/>' | seed svg_render_fuzz use-cycle
printf '\1%s<circle r=5 cx=5 cy=5/>' "$(repeat '<g transform="rotate(1)">' 10000)" | seed svg_render_fuzz deep-groups
printf '\1<text x="1 2 3" dx="1e38 nan" text-anchor=middle>ab<tspan dx=5>c</tspan></text><image href="x.png" width=9 height=9/><foreignObject x=5 y=5 width=20 height=20><p>x</p></foreignObject>' | seed svg_render_fuzz text

# Pointer input: byte 0 of a step picks press (0), release (1), move (2, 3),
# wheel (4), scale (5), offset (6) or paint (7); x and y are offset by 20.
{ printf '<div class=table-group-box style="height:20px"></div><table><thead><tr><th field=a>A</th><th field=b>B</th></tr></thead>'
  printf '<tr><td>1</td><td rowspan=2>x</td></tr><tr><td>2</td></tr></table>\0'
  printf '\x02\x1e\x24\x00\x00\x1e\x24\x01\x02\x50\x24\x01\x02\x80\x24\x01\x01\x80\x24\x00'
  printf '\x02\x1e\x24\x00\x00\x1e\x24\x01\x02\x30\x10\x01\x02\x30\x0a\x01\x01\x30\x0a\x00'
  printf '\x07\x00\x00\x00\x02\x1e\x0a\x00\x00\x40\x0a\x01\x02\x50\x80\x01\x01\x50\x80\x00'; } | seed pointer_fuzz table

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$root"/tests/fuzz/*_fuzz.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
pids=()
for t in "${targets[@]}"; do
  mkdir -p "$work/$t/corpus" "$work/$t/seeds"
  (cd "$work/$t" && "$build/$t" corpus seeds -max_len="$maxlen" -max_total_time="$seconds" -timeout=30 \
     -rss_limit_mb=4096 -print_final_stats=1 >log.txt 2>&1; echo "exit $?" >>log.txt) &
  pids+=($!)
done
status=0
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || status=1
  echo "${targets[$i]}: $(tail -1 "$work/${targets[$i]}/log.txt")"
done
exit $status
