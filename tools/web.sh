#!/usr/bin/env bash
# Builds the page that lists, plays, saves and repacks a bank in the browser:
# the engine (the programs' C++ compiled with emscripten, `web` preset) and
# the static site in build-web/site/. Then serves that folder on 127.0.0.1
# (port $PORT, default 8000) until interrupted.
#   tools/web.sh              build, assemble and serve
#   tools/web.sh --no-serve   build and assemble only
set -euo pipefail
cd "$(dirname "$0")/.."

serve=1
case ${1-} in
    "") ;;
    --no-serve) serve=0 ;;
    *) echo "usage: tools/web.sh [--no-serve]" >&2; exit 2 ;;
esac

# setup.sh learns the purpose "web" separately; until it does, the checks
# below name what is missing instead.
if grep -q 'web)' tools/setup.sh; then
    tools/setup.sh web
fi
if ! command -v emcc >/dev/null; then
    echo "tools/web.sh: emcc not found: the engine needs emscripten (Debian: apt-get install emscripten)" >&2
    exit 1
fi
fflate=web/node_modules/fflate/umd/index.js
if [ ! -f "$fflate" ]; then
    echo "tools/web.sh: $fflate not found: run (cd web && npm ci) once" >&2
    exit 1
fi

# Debian's emscripten finds its Node modules only there.
export NODE_PATH=/usr/share/nodejs
cmake --preset web >/dev/null
cmake --build --preset web

site=build-web/site
rm -rf "$site"
mkdir -p "$site"
cp web/index.html web/style.css "$site"/
# The page's own scripts, those that index.html loads (classic ones, which a
# page opened from disk runs), all but the worker's source made below.
sed -n 's/.*<script defer src="\([a-z_]*\.js\)".*/\1/p' web/index.html | while IFS= read -r script; do
    [ "$script" = worker-source.js ] || cp "web/$script" "$site"/
done
# The worker's whole source (the engine, fflate, the name rules, the WAV
# reader and the worker's own parts) as one text in a classic script: the
# page starts the worker from it, which a page opened from disk can do, where a worker's
# own file would be refused.
# shellcheck disable=SC2016 # the script is JavaScript's, not the shell's
node -e '
const fs = require("fs");
const source = process.argv.slice(1).map(f => fs.readFileSync(f, "utf8")).join("\n;\n");
process.stdout.write(`// The worker that runs the engine, made by tools/web.sh.\nconst workerSource = ${JSON.stringify(source)};\n`);
' build-web/engine.js "$fflate" web/names.js web/wav.js web/worker_folder.js web/worker_listing.js web/worker.js \
    >"$site"/worker-source.js
# Both licenses travel with the page, which ships fflate's code.
cp LICENSE "$site"/LICENSE.txt
cp web/node_modules/fflate/LICENSE "$site"/fflate-LICENSE.txt
echo "The page is in $(pwd)/$site"

if [ "$serve" = 1 ]; then
    port=${PORT:-8000}
    echo "Serving on http://127.0.0.1:$port/ (Ctrl-C ends it)"
    exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
fi
