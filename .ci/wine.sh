# Sourced by the Wine steps. wine_prefix NAME makes $work, a fresh
# directory removed at exit together with its Wine server, and points a
# headless Wine prefix into it (created by the step's `wineboot -i`);
# winpath PATH names a Linux path as Wine programs see it; query KEY [ARGS]
# prints a registry key, without carriage returns (nothing when missing),
# asked up to three times when Wine cannot start reg.exe;
# wine_boot creates the prefix, a second and third time after stopping the
# Wine server if a start fails, and shows Wine's words if none succeeds.
wine_prefix() {
  work=$(mktemp -d "/tmp/$1.XXXXXX")
  export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY
  trap 'timeout 30 wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
}
winpath() { printf 'Z:%s' "${1//\//\\}"; }
query() {
  # Wine itself sometimes fails to start reg.exe ("ShellExecuteEx failed"),
  # an answer about Wine, not about the key: asked again.
  local out try
  for try in 1 2 3; do
    out=$(timeout 60 wine reg query "$@" 2>/dev/null | tr -d '\r' || true)
    case "$out" in
      *"ShellExecuteEx failed"* | *"Application could not be started"*) sleep 1 ;;
      *) break ;;
    esac
  done
  printf '%s\n' "$out"
}
wine_boot() {
  local try
  for try in 1 2 3; do
    timeout 300 wineboot -i >"$work/wineboot.log" 2>&1 && return 0
    echo "wineboot failed (try $try)" >&2
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    sleep 2
  done
  tail -n 20 "$work/wineboot.log" >&2
  return 1
}
