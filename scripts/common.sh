# Shared by scripts/run, scripts/test, scripts/bench and scripts/package: the Debian packages
# Quillhour needs and the configure-and-build step. Source it; do not run it.

QUILLHOUR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What it takes to build and run the program.
QUILLHOUR_BUILD_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 libqt6printsupport6 qt6-qpa-plugins
    qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
    libqt6sql6-sqlite libqt6sql6-psql libsqlite3-dev libpq-dev
    libxcb1-dev libxcb-ewmh-dev libxcb-icccm4-dev libxcb-screensaver0-dev
    qtkeychain-qt6-dev
    fonts-dejavu-core
)

# What the tests add: the sqlite3 shell, a private X server with a window manager, a FUSE file
# system (a user-space mount must be told from a local disk), a PostgreSQL server, and a
# private D-Bus session with a secret service (GNOME Keyring) for the passwords and desktop
# notifications.
QUILLHOUR_TEST_PACKAGES=(
    sqlite3 xvfb xauth openbox x11-utils xdotool imagemagick bindfs
    postgresql dbus-daemon gnome-keyring
)

# What making the Debian package takes (scripts/package, and the tests that check it): the
# package tools, dpkg-shlibdeps (dpkg-dev) with file, lintian, and the validators of the menu
# entry and the AppStream metadata.
QUILLHOUR_PACKAGE_PACKAGES=(
    dpkg-dev file lintian man-db desktop-file-utils appstream
)

# Installs the given Debian packages that are not installed yet.
quillhour_ensure_packages() {
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

# Configures (once) and builds incrementally into the given folder with the given build type.
quillhour_build() {
    local build_dir="$1" build_type="$2"
    shift 2
    if [ ! -f "$build_dir/CMakeCache.txt" ]; then
        cmake -S "$QUILLHOUR_ROOT" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" "$@"
    fi
    cmake --build "$build_dir" --parallel "$(nproc)"
}
