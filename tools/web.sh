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
fflate=web/node_modules/fflate/esm/browser.js
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
cp web/index.html web/app.js web/style.css build-web/engine.mjs "$site"/
cp "$fflate" "$site"/fflate.js
# Both licenses travel with the page, which ships fflate's code.
cp LICENSE "$site"/LICENSE.txt
cp web/node_modules/fflate/LICENSE "$site"/fflate-LICENSE.txt
echo "The page is in $(pwd)/$site"

if [ "$serve" = 1 ]; then
    port=${PORT:-8000}
    echo "Serving on http://127.0.0.1:$port/ (Ctrl-C ends it)"
    exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
fi
