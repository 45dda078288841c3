# Debian packages of the project, and a function that installs the missing ones.
# Sourced by scripts/run and scripts/test.

# What building and running the program needs. Qt checks the https servers'
# certificates against the system's CA certificates, which no other package
# here pulls in without its recommendations.
RUN_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools zlib1g-dev ca-certificates)
# What the tests, sanitizer builds, fuzz targets and benchmarks add.
TEST_PACKAGES=(googletest libgtest-dev osmium-tool libosmium2-dev clang libclang-rt-14-dev locales-all python3)

ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
