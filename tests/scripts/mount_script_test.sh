#!/usr/bin/env bash
# The mount script (resources/Scripts/168) for real: a WebDAV share over HTTPS served by Apache on
# loopback, inside a network and mount namespace of this test's own, mounted through GVfs on a
# private session bus. Usage: mount_script_test.sh <build-dir> <source-dir>. Needs root.
#
# Exit status: 0 pass, 1 fail, 77 when this machine cannot run the test (the reason is printed).
# KEEP_TMP=1 keeps the private folder (logs, answers of each case) for a look afterwards.
set -euo pipefail

src=${2:?usage: mount_script_test.sh <build-dir> <source-dir>}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
script=$src/resources/Scripts/168

cannot() {
  echo "mount_script_test: cannot run here: $*" >&2
  exit 77
}

# ---- What the machine must have (CI installs the packages; nothing is installed here) ----------

[ "$(id -u)" -eq 0 ] || cannot "needs root (network and mount namespaces, port 443, bind mounts)"
missing=()
for tool in unshare mount ip apache2 htpasswd openssl gio gdbus dbus-run-session timeout od; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
for module in mpm_event authz_core authz_user authn_core authn_file auth_basic mime \
              socache_shmcb ssl dav dav_fs; do
  [ -e "/usr/lib/apache2/modules/mod_$module.so" ] || missing+=("mod_$module")
done
[ -e /usr/share/gvfs/mounts/dav.mount ] || missing+=("GVfs WebDAV backend")
[ -f /etc/ssl/certs/ca-certificates.crt ] || missing+=("/etc/ssl/certs/ca-certificates.crt")
getent passwd www-data >/dev/null || missing+=("user www-data")
if [ ${#missing[@]} -gt 0 ]; then
  cannot "missing ${missing[*]} (packages: apache2 apache2-utils gvfs gvfs-backends gvfs-fuse" \
    "dbus libglib2.0-bin glib-networking ca-certificates openssl iproute2 util-linux strace)"
fi
[ -x "$script" ] || { echo "mount_script_test: $script is not an executable file" >&2; exit 1; }
unshare --net --mount true 2>/dev/null || cannot "unshare --net --mount is not permitted here"

# ---- A private folder and a namespace that are both gone afterwards -------------------------------

tmp=$(mktemp -d "${TMPDIR:-/tmp}/kd-mount-test.XXXXXX")
chmod 711 "$tmp"  # the share's server runs as www-data and must pass through

# Everything started in the namespace is ended by the namespace's own trap; should that shell be
# killed first, what is left in its network namespace is ended here, by process id. Only while
# the namespace's keeper lives: once the namespace is gone its identity may name another test's.
cleanup() {
  local ns keeper pid
  if [ -s "$tmp/netns" ] && read -r ns keeper <"$tmp/netns" &&
    [ "$(readlink "/proc/$keeper/ns/net" 2>/dev/null)" = "$ns" ]; then
    for pid in /proc/[0-9]*; do
      pid=${pid#/proc/}
      [ "$pid" = "$keeper" ] && continue
      if [ "$(readlink "/proc/$pid/ns/net" 2>/dev/null)" = "$ns" ]; then
        kill -KILL "$pid" 2>/dev/null || true
      fi
    done
    kill -KILL "$keeper" 2>/dev/null || true
  fi
  if [ -n "${KEEP_TMP:-}" ]; then echo "kept $tmp" >&2; else rm -rf "$tmp"; fi
}
trap cleanup EXIT

status=0
timeout --kill-after=10 600 \
  unshare --net --mount --propagation private bash "$here/mount/in_namespace.sh" "$tmp" "$script" "$here/mount" ||
  status=$?
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
  echo "mount_script_test: FAIL: the test did not finish within 600 seconds" >&2
  status=1
fi
exit "$status"
