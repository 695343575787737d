#!/usr/bin/env bash
# Installs what a fresh machine lacks for building and testing, when it can.
set -euo pipefail
needed=()
command -v cmake >/dev/null || needed+=(cmake)
command -v ninja >/dev/null || needed+=(ninja-build)
command -v g++ >/dev/null || needed+=(g++)
[ -f /usr/include/gtest/gtest.h ] || needed+=(libgtest-dev)
if [ ${#needed[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${needed[*]} (install them as root)" >&2
        exit 1
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${needed[@]}"
fi
