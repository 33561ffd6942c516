#!/usr/bin/env bash
# Builds the Debian package build/package/corvid-rcon-admin_<version>_<arch>.deb: a release build
# installed to /usr (kvd, the simulator kvd-sim, the menu entry and icons), its dependencies computed by dpkg-shlibdeps.
# Install it with: sudo apt-get install ./build/package/corvid-rcon-admin_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-deps.sh"

# dpkg-shlibdeps computes the dependencies; desktop-file-validate checks the menu entry.
packages=(dpkg-dev desktop-file-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

desktop-file-validate "$root/dist/linux/corvid-rcon-admin.desktop"

dir="$root/build/package"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DKVD_BUILD_TESTS=OFF -DKVD_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$dir" --parallel "$(nproc)" --target kvd rcon-sim
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/*.deb)
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
dpkg-deb --contents "$deb" | awk '{print "  " $6}'
echo "$deb"
