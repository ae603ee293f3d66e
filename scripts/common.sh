# Shared settings of the ./dev commands.
say() { printf '==> %s\n' "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

build_root=$root/build
deps_cache=${CORVALD_DEPS_CACHE:-/var/cache/corvald-setup-deps}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEPREFIX=${WINEPREFIX:-$build_root/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
