# Installs the Debian packages named in $@ that are missing (as root, after apt-get update).
ensure_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

# The toolkit speaks German through its own translations.
BUILD_PACKAGES=(cmake make g++ pkg-config qt6-base-dev libgtest-dev liburing-dev fonts-dejavu-core
    qt6-translations-l10n)
TEST_PACKAGES=(xvfb xauth xdotool x11-utils imagemagick desktop-file-utils appstream clang-format
    clang libclang-rt-14-dev)
# CPack's Debian generator reads the binary's library dependencies with dpkg-shlibdeps and
# finds the binaries with file.
PACKAGE_PACKAGES=(dpkg-dev file)
# Checking the package: lintian, the validators, and the end-to-end test on the unpacked program.
CHECK_PACKAGES=(lintian appstream desktop-file-utils xvfb xauth xdotool x11-utils imagemagick
    fonts-dejavu-core qt6-translations-l10n)
# The Windows program: the cross compiler, GoogleTest's sources, and Wine with its fonts to run
# the tests, on an X server of their own for the window and end-to-end tests.
WINDOWS_PACKAGES=(cmake make g++-mingw-w64-x86-64-posix googletest wine64 wine fonts-wine xvfb
    xauth xdotool x11-utils imagemagick perl)
