#!/usr/bin/env bash
# Stops the servers that start.sh started for STATE, by their recorded ids.
set -uo pipefail
state=${1:?usage: stop.sh STATE}
[ -d "$state" ] || exit 0
state=$(cd "$state" && pwd)

# Alive and not merely a zombie waiting to be reaped.
alive() {
  [ -r "/proc/$1/stat" ] && ! awk '{ sub(/^.*\) /, ""); exit ($1 == "Z") ? 0 : 1 }' "/proc/$1/stat"
}

# A recorded id is ours only while its process keeps a file of STATE open (each server writes
# its log there): after servers that died without this script, or a restart of the machine,
# the id may belong to another process, perhaps another test's, which must live.
ours() {
  alive "$1" && find "/proc/$1/fd" -maxdepth 1 -type l -lname "$state/*" -print -quit 2>/dev/null | grep -q .
}

pids=()
for name in smtp socks socksauth danted; do
  [ -s "$state/$name.pid" ] && ours "$(cat "$state/$name.pid")" && pids+=("$(cat "$state/$name.pid")")
  rm -f "$state/$name.pid"
done
rundir=""
if [ -s "$state/rundir" ]; then
  rundir=$(cat "$state/rundir")
  for base in dovecot dovecot-tls; do
    [ -s "$rundir/$base/master.pid" ] && ours "$(cat "$rundir/$base/master.pid")" && pids+=("$(cat "$rundir/$base/master.pid")")
  done
fi

for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
for _ in $(seq 1 100); do
  left=0
  for pid in "${pids[@]}"; do alive "$pid" && left=1; done
  [ $left -eq 0 ] && break
  sleep 0.05
done
for pid in "${pids[@]}"; do alive "$pid" && kill -9 "$pid" 2>/dev/null; done

if [ -n "$rundir" ]; then
  case "$rundir" in /tmp/quillaran-mail.*) rm -rf "$rundir" ;; esac
  rm -f "$state/rundir"
fi
exit 0
