# Shared by scripts/run, scripts/test and the other scripts: installs the
# Debian packages that are missing, then configures and builds a preset.

optara_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# install_missing_packages LIST...: the packages of scripts/packages/LIST.txt.
install_missing_packages() {
    local wanted=() missing=() list
    for list in "$@"; do
        mapfile -t -O "${#wanted[@]}" wanted < <(grep -Ev '^\s*(#|$)' "$optara_root/scripts/packages/$list.txt")
    done
    for package in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build_preset() {
    local preset="$1"
    cmake --preset "$preset" -S "$optara_root" >/dev/null
    cmake --build --preset "$preset" --parallel "$(nproc)"
}
