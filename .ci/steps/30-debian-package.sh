#!/usr/bin/env bash
# Builds the Debian package (./run package), installs it with apt, uses what
# it installed (the command line with its installed voice, the C interface
# through pkg-config, the speech-dispatcher module when the package has it),
# then removes it again and checks that none of its files stay behind.
# Runs as root (CI) or with sudo.
set -euo pipefail
cd "$(dirname "$0")/../.."
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo

. .ci/packages.sh
ensure_packages lintian man-db

./run package >/dev/null
# Three packages: the programs and voices, the library, its development files.
debs=()
for name in tarvox libtarvox0 libtarvox-dev; do
  debs+=("./$(ls build-deb/${name}_*.deb | head -n1)")
done

# lintian: no errors and no warnings. The maintainer's address is a
# placeholder until the project has one of its own (bogus-mail-host), the
# only error allowed.
lint=$(lintian --suppress-tags bogus-mail-host,bogus-mail-host-in-debian-changelog "${debs[@]}" 2>&1 |
       grep -v 'running with root privileges' || true)
echo "$lint"
if echo "$lint" | grep -q '^[EW]:'; then echo "lintian reports errors or warnings" >&2; exit 1; fi
echo "==> installing ${debs[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${debs[@]}" >/dev/null
files=$(dpkg-query -L tarvox libtarvox0 libtarvox-dev)

work=$(mktemp -d)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

# The installed command line finds the installed voice by itself (never the
# build tree's); run it from an empty directory.
(cd "$work" && /usr/bin/tarvox say "Dober dan, kako ste?" -o "$work/pozdrav.wav")
size=$(stat -c %s "$work/pozdrav.wav")
echo "installed tarvox spoke $size bytes"
[ "$size" -gt 16000 ] || { echo "the installed tarvox wrote too little audio" >&2; exit 1; }

# The C interface, built against the installed header and library.
cat > "$work/hello.c" <<'C'
#include <stdio.h>
#include <tarvox.h>
static size_t total;
static int on_audio(void* user, const int16_t* samples, size_t count) {
    (void)user; (void)samples; total += count; return 0;
}
int main(void) {
    tarvox_voice* v = NULL;
    if (tarvox_open("/usr/share/tarvox/voices/quenlar-tevo", &v) != TARVOX_OK) {
        fprintf(stderr, "%s\n", tarvox_last_error(NULL));
        return 1;
    }
    tarvox_status s = tarvox_speak(v, "Lep pozdrav iz Ljubljane.", NULL, on_audio, NULL, NULL);
    tarvox_close(v);
    printf("%zu samples\n", total);
    return s == TARVOX_OK && total > 8000 ? 0 : 1;
}
C
cc -o "$work/hello" "$work/hello.c" $(pkg-config --cflags --libs tarvox)
"$work/hello"

# The speech-dispatcher module, started as the server starts it.
module=$(echo "$files" | grep '/sd_tarvox$' || true)
if [ -n "$module" ]; then
  conf=$(echo "$files" | grep '/tarvox.conf$' | head -n1)
  reply=$(printf 'INIT\nLIST VOICES\nQUIT\n' | timeout 20 "$module" "$conf")
  echo "$reply"
  echo "$reply" | grep -q "^299-.*/usr/share/tarvox/voices/quenlar-orin" || { echo "sd_tarvox did not take the installed voice" >&2; exit 1; }
  echo "$reply" | grep -q '^299 OK LOADED SUCCESSFULLY' || { echo "sd_tarvox did not load" >&2; exit 1; }
  echo "$reply" | grep -q '^200 OK VOICE LIST SENT' || { echo "sd_tarvox listed no voices" >&2; exit 1; }
fi

# The manual pages render.
for page in tarvox tarvox-data sd_tarvox; do
  man -l "/usr/share/man/man1/$page.1.gz" 2>/dev/null | grep -q NAME || { echo "man page $page does not render" >&2; exit 1; }
done

# An upgrade over itself keeps the administrator's tarvox.conf.
conf=/etc/speech-dispatcher/modules/tarvox.conf
echo "# changed by the administrator" | $sudo tee -a "$conf" >/dev/null
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall "${debs[@]}" >/dev/null
grep -q "changed by the administrator" "$conf" || { echo "the upgrade replaced tarvox.conf" >&2; exit 1; }
echo "reinstalled over itself, tarvox.conf kept"

echo "==> removing the package"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq tarvox libtarvox0 libtarvox-dev >/dev/null
left=0
while IFS= read -r f; do
  [ -f "$f" ] || [ -L "$f" ] || continue
  echo "left behind: $f" >&2
  left=1
done <<< "$files"
[ -d /usr/share/tarvox ] && { echo "left behind: /usr/share/tarvox" >&2; left=1; }
[ "$left" -eq 0 ] || exit 1
echo "packages installed, used and removed cleanly"
