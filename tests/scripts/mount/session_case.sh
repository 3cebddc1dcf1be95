#!/usr/bin/env bash
# One case of the mount script test, run inside its own private session bus (dbus-run-session)
# with the three NUL-ended parameters on standard input. Usage: session_case.sh <mode> <dir>
# <mount-script> <address> <account> [strace]; results go to files in <dir>. With "strace", every
# program that the script starts is recorded (arguments and environment) in <dir>/exec.
#   mount        run the script; then list the session's mounts
#   mount-again  as mount, then read the share's file back (gio and FUSE) and run the script again
#   refuse       run the script only
#   naive        no script: gio mount fed "1" and the password ahead of its questions (control)
set -u

mode=$1
dir=$2
script=$3
address=$4
account=$5
tracer=${6:-}
location="davs://$account@${address#https://}/"

run_script() {  # run_script <suffix>: stdin is the script's input
  local -a trace=()
  if [ -n "$tracer" ]; then
    trace=(strace -f -qq --seccomp-bpf -e trace=execve -v -xx -s 65536 -o "$dir/exec$1")
  fi
  "${trace[@]}" timeout --kill-after=5 90 "$script" 2>"$dir/stderr$1"
  echo $? >"$dir/status$1"
}

case $mode in
  naive)
    IFS= read -r -d '' _ && IFS= read -r -d '' _ && IFS= read -r -d '' password
    printf '1\n%s\n' "$password" | timeout 60 gio mount "$location" >/dev/null 2>"$dir/stderr"
    echo $? >"$dir/status"
    ;;
  *)
    run_script ""
    ;;
esac
[ "$mode" = refuse ] && exit 0

timeout 30 gio mount -l >"$dir/mounts" 2>/dev/null

if [ "$mode" = mount-again ]; then
  timeout 30 gio cat "${location}hello.txt" >"$dir/cat" 2>"$dir/cat.err"
  if [ -e /dev/fuse ]; then
    for _ in $(seq 50); do
      for f in "$XDG_RUNTIME_DIR"/gvfs/*/hello.txt; do
        [ -f "$f" ] && timeout 10 cat "$f" >"$dir/fuse" 2>/dev/null && break 2
      done
      sleep 0.1
    done
    [ -s "$dir/fuse" ] || echo "the GVfs FUSE daemon published nothing" >"$dir/fuse-skipped"
  else
    echo "no /dev/fuse" >"$dir/fuse-skipped"
  fi
  # Already mounted: the script must say so without needing the password.
  printf '%s\0%s\0%s\0' "$address" "$account" "not the password" | run_script 2
fi
exit 0
