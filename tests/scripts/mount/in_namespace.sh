#!/usr/bin/env bash
# The mount script test's body, run by mount_script_test.sh as root inside fresh network and mount
# namespaces: loopback only, this test's own hosts file and CA bundle bind-mounted over the
# machine's, Apache serving the share on 127.0.0.1:443. Usage: in_namespace.sh <private-dir>
# <mount-script> <helper-dir>. Exit status 0 when every check passed.
#
# The passwords live only in this shell's variables: they reach the mount script and htpasswd on
# standard input through the built-in printf, and they are looked for (in every process's arguments
# and environment, and in the trace of what the script started) by comparisons inside bash. So no
# password is ever in an argument list; the traces in this private folder could hold one only if
# the script leaked it.
set -uo pipefail

tmp=$1
script=$2
helpers=$3

# Multi-byte characters here lie outside ISO-8859-1 on purpose: the HTTP library under GVfs sends
# "account:password" in ISO-8859-1 whenever it can be written so, and in UTF-8 only otherwise.
readonly good_host=acct.keldara.test      # certificate from the CA the machine trusts
readonly rogue_host=acct2.keldara.test    # certificate from a CA nobody trusts
readonly good_password=' 1 Pa$$ w€rd \%s "Q" '"'"'x'"'"' '
readonly rogue_password='1Trust-Me 7'
readonly wrong_password='1wrong Pa$$'
readonly odd_account='Ac ct+%ł'           # the user part of the location must carry it encoded
readonly odd_password='Odd-Account-Pass'
readonly content='hello from the Keldara disk'

failures=0
pass() { echo "ok: $*"; }
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
check() {  # check <description> <command...>
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
die() {
  echo "FAIL: $*" >&2
  exit 1
}

# A keeper holds the namespace for the outer script's sweep, so that its identity cannot pass to
# another test's namespace while that sweep may still look for it (see mount_script_test.sh).
setsid sleep infinity </dev/null >/dev/null 2>&1 &
echo "$(readlink /proc/self/ns/net) $!" >"$tmp/netns"
apache_pid=
# Ends everything started in this namespace (Apache, the session buses, GVfs daemons): they are
# all this test's own. This shell is the namespace's first process and is spared.
finish() {
  local ns pid
  read -r ns _ <"$tmp/netns"
  [ -n "$apache_pid" ] && kill -TERM "$apache_pid" 2>/dev/null
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    [ -n "$apache_pid" ] && kill -0 "$apache_pid" 2>/dev/null || break
    sleep 0.2
  done
  for pid in /proc/[0-9]*; do
    pid=${pid#/proc/}
    [ "$pid" = $$ ] && continue
    if [ "$(readlink "/proc/$pid/ns/net" 2>/dev/null)" = "$ns" ]; then
      kill -KILL "$pid" 2>/dev/null
    fi
  done
}
trap finish EXIT

# ---- Network, names and trust -------------------------------------------------------------------

ip link set lo up || die "cannot bring loopback up"
# Look-ups with AI_ADDRCONFIG find nothing on a host whose only address is on loopback.
ip addr add 192.0.2.1/32 dev lo || die "cannot add an address"

mkdir -p "$tmp/pki" "$tmp/apache/lock" "$tmp/share" "$tmp/cases"
chown www-data "$tmp/apache/lock"
chmod 755 "$tmp/share" "$tmp/apache"
printf '%s\n' "$content" >"$tmp/share/hello.txt"
chmod 644 "$tmp/share/hello.txt"

pki=$tmp/pki
make_ca() {  # make_ca <name> <subject>
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$2" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
    -keyout "$pki/$1.key" -out "$pki/$1.crt" 2>/dev/null
}
make_server() {  # make_server <name> <host> <ca>
  openssl req -newkey rsa:2048 -nodes -subj "/CN=$2" -keyout "$pki/$1.key" -out "$pki/$1.csr" \
    2>/dev/null &&
  printf 'subjectAltName=DNS:%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$2" \
    >"$pki/$1.ext" &&
  openssl x509 -req -days 2 -in "$pki/$1.csr" -CA "$pki/$3.crt" -CAkey "$pki/$3.key" \
    -CAcreateserial -extfile "$pki/$1.ext" -out "$pki/$1.crt" 2>/dev/null
}
make_ca test-ca "Keldara Test CA" && make_ca rogue-ca "Keldara Rogue CA" &&
  make_server good "$good_host" test-ca && make_server rogue "$rogue_host" rogue-ca ||
  die "cannot make the test certificates"

# GVfs trusts only the system bundle: inside this namespace that bundle is the test CA alone.
cp "$pki/test-ca.crt" "$tmp/bundle.crt"
printf '127.0.0.1 localhost\n127.0.0.1 %s %s\n' "$good_host" "$rogue_host" >"$tmp/hosts"
chmod 644 "$tmp/bundle.crt" "$tmp/hosts"
mount --bind "$tmp/bundle.crt" /etc/ssl/certs/ca-certificates.crt || die "cannot bind the CA bundle"
mount --bind "$tmp/hosts" /etc/hosts || die "cannot bind the hosts file"
[ "$(getent hosts "$good_host" | cut -d' ' -f1)" = 127.0.0.1 ] || die "$good_host does not resolve"

# ---- The share ------------------------------------------------------------------------------------

# Both hosts accept both accounts: only the certificate tells them apart.
printf '%s\n' "$good_password" | htpasswd -i -c -m "$tmp/apache/users" acct 2>/dev/null &&
  printf '%s\n' "$rogue_password" | htpasswd -i -m "$tmp/apache/users" acct2 2>/dev/null &&
  printf '%s\n' "$odd_password" | htpasswd -i -m "$tmp/apache/users" "$odd_account" 2>/dev/null ||
  die "cannot write the users file"
chmod 644 "$tmp/apache/users"
sed -e "s#@DIR@#$tmp#g" -e "s#@GOOD_HOST@#$good_host#g" -e "s#@ROGUE_HOST@#$rogue_host#g" \
  "$helpers/httpd.conf.in" >"$tmp/apache/httpd.conf"
apache2 -f "$tmp/apache/httpd.conf" -DFOREGROUND 2>>"$tmp/apache/startup.log" &
apache_pid=$!
for _ in $(seq 100); do
  (exec 3<>/dev/tcp/127.0.0.1/443) 2>/dev/null && break
  kill -0 "$apache_pid" 2>/dev/null || break
  sleep 0.1
done
(exec 3<>/dev/tcp/127.0.0.1/443) 2>/dev/null ||
  die "Apache did not start: $(cat "$tmp/apache/startup.log" "$tmp/apache/error.log" 2>/dev/null)"

# ---- Tracing -------------------------------------------------------------------------------------

# Every program the script starts, however briefly it runs, is traced (strace, all strings in hex):
# its argument list and environment are searched for the password afterwards. The watcher below
# covers the programs that are not the script's children, such as the GVfs daemons.
tracer=
if strace -f -qq --seccomp-bpf -e trace=execve -o /dev/null true 2>/dev/null; then
  tracer=strace
else
  echo "note: strace cannot trace here; programs the script starts are checked by the watcher only"
fi

# ---- Cases ----------------------------------------------------------------------------------------

# Watches every process's argument list and environment for `secret` until `stop` exists; writes
# the number of sweeps, whether a "gio mount" was seen, and where the secret was found (no text).
watch_for_secret() {  # watch_for_secret <secret> <stop-file> <result-file>
  local secret=$1 stop=$2 result=$3 sweeps=0 saw_gio=0 f joined
  local -a items found=()
  while [ ! -e "$stop" ] && [ "$sweeps" -lt 100000 ]; do
    for f in /proc/[0-9]*/cmdline /proc/[0-9]*/environ; do
      mapfile -d '' items 2>/dev/null <"$f" || continue
      [ ${#items[@]} -gt 0 ] || continue
      joined="${items[*]}"
      if [[ $joined == *"$secret"* ]]; then found+=("$f"); fi
      if [[ $f == */cmdline && ${items[0]##*/} == gio && ${items[1]:-} == mount ]]; then
        saw_gio=1
      fi
    done
    sweeps=$((sweeps + 1))
  done
  printf 'sweeps=%s gio=%s found=%s\n' "$sweeps" "$saw_gio" "${found[*]:-}" >"$result"
}

# Runs one case in a fresh private session: session_case.sh <mode> gets the three parameters on
# its standard input, while the watcher looks for the password.
run_case() {  # run_case <name> <mode> <host> <account> <password>
  local name=$1 mode=$2 host=$3 account=$4 password=$5 dir watcher
  dir=$tmp/cases/$name
  mkdir -p "$dir/run" "$dir/home"
  chmod 700 "$dir/run"
  watch_for_secret "$password" "$dir/stop" "$dir/watch" &
  watcher=$!
  printf '%s\0%s\0%s\0' "https://$host" "$account" "$password" |
    env -i PATH="$PATH" HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" LANG=C.UTF-8 \
      timeout --kill-after=5 150 dbus-run-session -- \
      bash "$helpers/session_case.sh" "$mode" "$dir" "$script" "https://$host" "$account" \
      "$tracer" >"$dir/session.log" 2>&1
  echo $? >"$dir/session-status"
  : >"$dir/stop"
  wait "$watcher"
}

field() { cat "$tmp/cases/$1/$2" 2>/dev/null; }
lacks() { ! grep -qF -- "$2" "$tmp/cases/$1/$3" 2>/dev/null; }
has() { grep -qF -- "$2" "$tmp/cases/$1/$3" 2>/dev/null; }
# The text as strace -xx prints it: every byte as \xhh.
hex_escaped() {
  local hex out='' i
  hex=$(printf '%s' "$1" | od -An -v -tx1 | tr -d ' \n')
  for ((i = 0; i < ${#hex}; i += 2)); do out+="\\x${hex:i:2}"; done
  printf '%s' "$out"
}
# Neither the watcher (which must have seen gio running) nor the trace of everything the script
# started met the password, whole or any blank-separated part of it of 4 bytes or more.
no_secret_in_processes() {  # no_secret_in_processes <case> <password>
  local w line word
  local -a lines patterns
  w=$(field "$1" watch)
  [[ $w == *" gio=1 found=" ]] || { echo "  watcher: $w" >&2; return 1; }
  [ -n "$tracer" ] || return 0
  patterns=("$(hex_escaped "$2")")
  set -f
  for word in $2; do
    if [ ${#word} -ge 4 ]; then patterns+=("$(hex_escaped "$word")"); fi
  done
  set +f
  mapfile -t lines <"$tmp/cases/$1/exec"
  [[ "${lines[*]}" == *"$(hex_escaped gio)"* ]] || { echo "  the trace saw no gio" >&2; return 1; }
  for line in "${lines[@]}"; do
    for word in "${patterns[@]}"; do
      if [[ $line == *"$word"* ]]; then
        echo "  a program was started with the password: ${line:0:60}..." >&2
        return 1
      fi
    done
  done
}
not_mounted() { lacks "$1" "$2" mounts && [ -e "$tmp/cases/$1/mounts" ]; }
# Ended by itself, not stopped by the case's time-out (status 124).
ends_by_itself() { [ "$(field "$1" status)" != 124 ]; }
# The password in no output of the script (nor in gio's, which it relays); compared inside bash.
no_secret_in_output() {  # no_secret_in_output <case> <password>
  local f
  for f in "$tmp/cases/$1"/stderr*; do
    [ -e "$f" ] || return 1
    if [[ $(<"$f") == *"$2"* ]]; then return 1; fi
  done
}
# Every request in an access log came without an account name (the "%u" field is "-").
no_credentials_in() { [ -z "$(awk '$2 != "-"' "$1")" ]; }
show() {
  echo "--- $1" >&2
  sed 's/^/  /' "$tmp/cases/$1/session.log" "$tmp/cases/$1"/stderr* >&2 2>/dev/null || true
}

good_location="davs://acct@$good_host/"
rogue_location="davs://acct2@$rogue_host/"

# 1. The right password, full of blanks, capitals, quotes, '$', '%', '\' and a multi-byte
#    character: the disk is mounted and its file reads back; a second run finds it mounted.
run_case good mount-again "$good_host" acct "$good_password"
check "good: the script succeeds" [ "$(field good status)" = 0 ]
check "good: the disk is listed" has good "$good_location" mounts
check "good: a file reads back through GVfs" [ "$(field good cat)" = "$content" ]
if [ -e "$tmp/cases/good/fuse-skipped" ]; then
  echo "note: good: no FUSE view here ($(field good fuse-skipped)); checked through gio only"
else
  check "good: the file reads back through the FUSE view" [ "$(field good fuse)" = "$content" ]
fi
check "good: a second run says already mounted and succeeds" \
  eval '[ "$(field good status2)" = 0 ] && has good "already mounted" stderr2'
check "good: no process had the password in its arguments or environment" \
  no_secret_in_processes good "$good_password"
check "good: the password is in none of the script's messages" no_secret_in_output good \
  "$good_password"
[ "$failures" -eq 0 ] || show good

# 1b. An account name with a blank, a capital, '+', '%' and a multi-byte character.
before=$failures
run_case odd-account mount "$good_host" "$odd_account" "$odd_password"
check "odd account: the server takes the account name as it is and the disk is mounted" \
  eval '[ "$(field odd-account status)" = 0 ] && has odd-account "@$good_host/" mounts'
[ "$failures" -eq "$before" ] || show odd-account

# 2. A wrong password (beginning with "1"): refused at once, nothing mounted.
before=$failures
run_case wrong mount "$good_host" acct "$wrong_password"
check "wrong: the script fails" [ "$(field wrong status)" != 0 ]
check "wrong: it ends without waiting for more input" ends_by_itself wrong
check "wrong: it says the password was refused" has wrong "refused the account name or password" stderr
check "wrong: nothing is mounted" not_mounted wrong "$good_host"
check "wrong: no process had the password" no_secret_in_processes wrong "$wrong_password"
check "wrong: the password is in none of the script's messages" no_secret_in_output wrong \
  "$wrong_password"
[ "$failures" -eq "$before" ] || show wrong

# 3. A server whose certificate nobody vouches for, though it would take this account and this
#    password beginning with "1": the certificate question is declined, the password never sent.
before=$failures
run_case rogue mount "$rogue_host" acct2 "$rogue_password"
check "rogue: the script fails" [ "$(field rogue status)" != 0 ]
check "rogue: it ends without waiting for an answer" ends_by_itself rogue
check "rogue: it says the certificate could not be verified" \
  has rogue "certificate could not be verified" stderr
check "rogue: nothing is mounted" not_mounted rogue "$rogue_host"
# GVfs sends one request without credentials before it asks about the certificate.
check "rogue: no request with credentials reached the server" no_credentials_in \
  "$tmp/apache/rogue.log"
check "rogue: no process had the password" no_secret_in_processes rogue "$rogue_password"
check "rogue: the password is in none of the script's messages" no_secret_in_output rogue \
  "$rogue_password"
[ "$failures" -eq "$before" ] || show rogue

# 3b. Control: gio fed the way a naive script would (answers written ahead of its questions) takes
#     the leading "1" as "trust this certificate" and mounts the rogue share: case 3 is a real trap.
before=$failures
run_case naive naive "$rogue_host" acct2 "$rogue_password"
check "naive feeding of gio does mount the untrusted server (control)" has naive "$rogue_location" mounts
[ "$failures" -eq "$before" ] || show naive

# 4. Parameters that cannot be passed on are refused before anything reaches the server.
before=$failures
requests=$(grep -c '' "$tmp/apache/good.log")
run_case bad-input refuse "$good_host" acct $'pass\nword'
check "a password with a line break is refused" \
  eval '[ "$(field bad-input status)" != 0 ] && has bad-input "line break" stderr'
check "that run sent nothing to the server" [ "$(grep -c '' "$tmp/apache/good.log")" = "$requests" ]
[ "$failures" -eq "$before" ] || show bad-input

# 5. Outside any session: no bus to mount on, said so.
mkdir -p "$tmp/cases/no-bus"
printf '%s\0%s\0%s\0' "https://$good_host" acct "$good_password" |
  env -i PATH="$PATH" HOME="$tmp/cases/no-bus" timeout 60 "$script" 2>"$tmp/cases/no-bus/stderr"
echo $? >"$tmp/cases/no-bus/status"
check "without a session bus the script fails and says so" \
  eval '[ "$(field no-bus status)" != 0 ] && has no-bus "no session bus" stderr'

if [ "$failures" -gt 0 ]; then
  echo "--- Apache" >&2
  cat "$tmp/apache/error.log" "$tmp/apache/good.log" "$tmp/apache/rogue.log" >&2 2>/dev/null
  echo "mount_script_test: $failures check(s) failed" >&2
  exit 1
fi
for c in good wrong rogue; do echo "note: $c watcher: $(field "$c" watch)"; done
echo "mount_script_test: all checks passed"
