# The Wine programs of the two Windows trees, decided in one place: the
# 32-bit tree runs under Wine's 32-bit loader, the 64-bit tree under
# wine64, both with the one Wine server. The `wine` wrapper, which picks a
# loader by guessing, is never used: on a machine that cannot execute
# 32-bit programs the 32-bit tree fails plainly instead of half working.
# Source it (bash).
#
#   wine_loader win32|win64  prints the tree's loader (status 1 and the
#                            reason on stderr when there is none)
#   wine_server              prints the Wine server
#   wine_runs_32bit          status 0 when this machine executes 32-bit
#                            programs; else the reason is in wine_32bit_reason
#
# RELIVO_NO_32BIT=1 makes wine_runs_32bit fail, as on a machine without
# 32-bit execution. RELIVO_WINE_DIR names a folder holding the loaders
# when they are not where Debian and WineHQ put them.

wine_dirs=(${RELIVO_WINE_DIR:+"$RELIVO_WINE_DIR"} /usr/lib/wine /opt/wine-stable/bin /opt/wine-devel/bin
           /opt/wine-staging/bin)

wine_find() { # names... : the first executable of those names in wine_dirs
  local dir name
  for dir in "${wine_dirs[@]}"; do
    for name in "$@"; do
      if [ -f "$dir/$name" ] && [ -x "$dir/$name" ]; then
        echo "$dir/$name"
        return 0
      fi
    done
  done
  return 1
}

wine_loader() { # win32|win64
  local name
  case ${1:-} in
    win32) name=wine ;;
    win64) name=wine64 ;;
    *) echo "wine_loader: unknown tree '${1:-}'" >&2; return 1 ;;
  esac
  wine_find "$name" && return 0
  echo "the Wine loader for the $1 tree ($name) is not installed in ${wine_dirs[*]}" >&2
  return 1
}

wine_server() {
  wine_find wineserver64 wineserver wineserver32 && return 0
  echo "the Wine server is not installed in ${wine_dirs[*]}" >&2
  return 1
}

wine_runs_32bit() {
  wine_32bit_reason=""
  if [ -n "${RELIVO_NO_32BIT:-}" ]; then
    wine_32bit_reason="RELIVO_NO_32BIT is set, which plays a machine without 32-bit execution"
    return 1
  fi
  local loader out
  if ! loader=$(wine_loader win32 2>&1); then
    wine_32bit_reason=$loader
    return 1
  fi
  if ! out=$("$loader" --version 2>&1); then
    # The shell's own message without its "file: line N:" prefix.
    wine_32bit_reason="$loader --version failed: $(printf '%s' "$out" | tail -1 | sed 's/^.*line [0-9]*: //')"
    return 1
  fi
  return 0
}
