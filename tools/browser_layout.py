#!/usr/bin/env python3
"""Prints the box lines of a page's layout dump as headless Chromium lays it out.

    tools/browser_layout.py PAGE.html [PAGE.html ...] [--width N] [--check]

Each page is laid out at N x 600 CSS pixels (800 by default) with scroll bars
hidden and the Ahem test font (../shared/fonts/ahem.ttf beside the checkout,
else tests/data/fonts/ahem.ttf) loaded under the family name "Ahem". The
output has the form of tools/layout_dump without its line and run entries:
"viewport WxH", then "tag#id.class x,y w×h" per box, the border box from
getBoundingClientRect in document pixels, indented two spaces per level of
box nesting. A box is an element that is rendered (it has client rects),
except br and wbr, which this engine treats as text.

With --check each page's box lines are compared with the fixture <page>.txt
beside it; the differences are printed and the exit status is 1 when any.

Run by hand when a fixture is written, never in CI. Chromium is Debian's
package; the script installs it when it is missing.
"""

import argparse
import base64
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HEIGHT = 600

# Runs inside the page after it loaded: waits for the Ahem face, walks the
# element tree like the engine's dump and replaces the document with the
# result, which --dump-dom then prints.
MEASURE = r"""
(async () => {
  const me = document.currentScript;
  me.remove();
  const face = new FontFace('Ahem', Uint8Array.from(atob('%FONT%'), c => c.charCodeAt(0)));
  document.fonts.add(await face.load());
  await document.fonts.ready;
  const num = v => {
    const r = Math.round(v * 100) / 100;
    return Object.is(r, -0) ? '0' : String(r);
  };
  const name = e => {
    let s = e.localName;
    if (e.id) s += '#' + e.id;
    for (const c of e.classList) s += '.' + c;
    return s;
  };
  const isBox = e => e.localName !== 'br' && e.localName !== 'wbr' && e.getClientRects().length > 0;
  const out = ['viewport ' + window.innerWidth + 'x' + window.innerHeight];
  const walk = (e, depth) => {
    const r = e.getBoundingClientRect();
    out.push('  '.repeat(depth) + name(e) + ' ' + num(r.left + window.scrollX) + ',' +
             num(r.top + window.scrollY) + ' ' + num(r.width) + '\u00D7' + num(r.height));
    for (const c of e.children) if (isBox(c)) walk(c, depth + 1);
  };
  walk(document.documentElement, 0);
  document.documentElement.innerHTML = '<body><pre id="layout-dump"></pre></body>';
  document.getElementById('layout-dump').textContent = out.join('\n');
})();
"""


def ensure_chromium():
    exe = shutil.which('chromium')
    if exe:
        return exe
    print('installing chromium (Debian package)...', file=sys.stderr)
    cmd = ['apt-get', 'install', '-y', 'chromium']
    if os.path.isfile('/work/tools/apt.lock'):
        cmd = ['flock', '/work/tools/apt.lock'] + cmd
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    exe = shutil.which('chromium')
    if not exe:
        sys.exit('chromium is not available')
    return exe


def ahem_base64():
    for path in (os.path.join(ROOT, '..', 'shared', 'fonts', 'ahem.ttf'),
                 os.path.join(ROOT, 'tests', 'data', 'fonts', 'ahem.ttf')):
        if os.path.isfile(path):
            with open(path, 'rb') as f:
                return base64.b64encode(f.read()).decode('ascii')
    sys.exit('ahem.ttf not found')


def browser_dump(exe, page, width, font, window=None):
    with open(page, encoding='utf-8') as f:
        text = f.read()
    window = window or (width, HEIGHT)
    script = '<script>' + MEASURE.replace('%FONT%', font) + '</script>'
    with tempfile.TemporaryDirectory() as tmp:
        copy = os.path.join(tmp, 'page.html')
        with open(copy, 'w', encoding='utf-8') as f:
            f.write(text + script)
        result = subprocess.run(
            [exe, '--headless', '--no-sandbox', '--disable-gpu', '--hide-scrollbars',
             '--force-device-scale-factor=1', '--window-size=%d,%d' % window,
             '--user-data-dir=' + os.path.join(tmp, 'profile'), '--virtual-time-budget=10000',
             '--dump-dom', 'file://' + copy],
            capture_output=True, text=True, timeout=120)
    m = re.search(r'<pre id="layout-dump">(.*?)</pre>', result.stdout, re.S)
    if not m:
        sys.exit('%s: no dump from chromium\n%s' % (page, result.stderr[-2000:]))
    return html.unescape(m.group(1)).split('\n')


def window_for(exe, width, font):
    """The window size whose viewport is width x HEIGHT: headless Chromium
    takes room for window decorations from the height it is given."""
    with tempfile.TemporaryDirectory() as tmp:
        blank = os.path.join(tmp, 'blank.html')
        with open(blank, 'w') as f:
            f.write('<!DOCTYPE html><html><body></body></html>')
        first = browser_dump(exe, blank, width, font)[0]
    m = re.fullmatch(r'viewport (\d+)x(\d+)', first)
    if not m:
        sys.exit('unexpected viewport line: ' + first)
    return (2 * width - int(m.group(1)), 2 * HEIGHT - int(m.group(2)))


def box_lines(dump_lines):
    """The lines of a dump that a browser can show: the viewport and boxes."""
    keep = []
    for line in dump_lines:
        s = line.strip()
        if not s or s.startswith('line ') or s.startswith('"') or s.startswith('<br>'):
            continue
        keep.append(line.rstrip())
    return keep


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('pages', nargs='+')
    ap.add_argument('--width', type=int, default=800)
    ap.add_argument('--check', action='store_true', help='compare with each page\'s .txt fixture')
    args = ap.parse_args()
    exe = ensure_chromium()
    font = ahem_base64()
    window = window_for(exe, args.width, font)
    failed = False
    for page in args.pages:
        lines = browser_dump(exe, page, args.width, font, window)
        if lines[0] != 'viewport %dx%d' % (args.width, HEIGHT):
            sys.exit('chromium gave %s instead of %dx%d (headless windows have a minimum width)'
                     % (lines[0], args.width, HEIGHT))
        if not args.check:
            if len(args.pages) > 1:
                print('== ' + page)
            print('\n'.join(lines))
            continue
        fixture = os.path.splitext(page)[0] + '.txt'
        with open(fixture, encoding='utf-8') as f:
            expected = box_lines(f.read().split('\n'))
        if expected == lines:
            print('agrees: ' + page)
            continue
        failed = True
        print('DIFFERS: ' + page)
        for i in range(max(len(expected), len(lines))):
            e = expected[i] if i < len(expected) else '(none)'
            b = lines[i] if i < len(lines) else '(none)'
            if e != b:
                print('  fixture: %s\n  browser: %s' % (e, b))
    sys.exit(1 if failed else 0)


if __name__ == '__main__':
    main()
