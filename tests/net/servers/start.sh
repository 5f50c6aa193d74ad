#!/usr/bin/env bash
# Starts the mail tests' servers on free ports of 127.0.0.1, as the current
# user, from private files in STATE (a folder of the build tree):
#   SMTP   aiosmtpd with AUTH LOGIN, delivering into per-user Maildirs
#   POP3   dovecot serving those Maildirs (USER/PASS and APOP)
#   SOCKS5 microsocks, one open and one asking for a user name and password
#   SOCKS4 dante
# and writes STATE/servers.env for the tests. Nothing outside STATE and a
# private runtime folder under /tmp is touched.
set -euo pipefail
state=${1:?usage: start.sh STATE}
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
users="roundtrip,faults,bench,apop,postrecv,postlong,postjunk,posta,postb,postc,postd,poste,postwin,postrefa,postrefb,postrefc,postform,postport,e2ea,e2eb,e2ec,e2ed,e2ee,x11a,x11b,crasha,crashb,crashc,crashd,crashe,crashf,crashg,crashh,crashi,crashj,crashk,crashl,trusta,trustb,trustc,account"
password="Pa55word"

"$here/stop.sh" "$state" || true
rm -rf "$state"
mkdir -p "$state"
state=$(cd "$state" && pwd)

free_port() {
  "$python" -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()'
}
# Waits until the server answers; the bound only ends a server that never starts (the
# fixture's own time-out is 120 s).
wait_port() {  # port, what
  local until=$((SECONDS + 100))
  while [ $SECONDS -lt $until ]; do
    if "$python" -c "import socket,sys; socket.create_connection(('127.0.0.1',$1),timeout=1).close()" 2>/dev/null; then
      return 0
    fi
    sleep 0.05
  done
  echo "start.sh: $2 does not listen on port $1" >&2
  return 1
}

uid=$(id -u); gid=$(id -g); user=$(id -un); group=$(id -gn)
# Dovecot refuses to run its pre-login and mail processes as root: under root
# they take the unprivileged account that dovecot's package provides, which
# then owns the mail tree.
login_user=$user; mail_user=$user
if [ "$uid" -eq 0 ]; then
  login_user=$(id -un dovenull 2>/dev/null || echo nobody)
  mail_user=$login_user
fi
mail_uid=$(id -u "$mail_user"); mail_gid=$(id -g "$mail_user")

# Sockets and mailboxes live in a short private folder under /tmp, as socket
# paths are limited in length and the mail account must reach the mailboxes.
rundir=$(mktemp -d /tmp/quillaran-mail.XXXXXX)
chmod 755 "$rundir"
echo "$rundir" > "$state/rundir"
mailroot=$rundir/mail

# Mailboxes and the passwd file shared by the SMTP and the POP3 server.
: > "$state/passwd"
IFS=, read -ra names <<< "$users"
for name in "${names[@]}"; do
  mkdir -p "$mailroot/$name/Maildir/"{cur,new,tmp}
  echo "$name:{PLAIN}$password::::$mailroot/$name::" >> "$state/passwd"
done
[ "$mail_uid" -ne "$uid" ] && chown -R "$mail_uid:$mail_gid" "$mailroot"

# POP3: dovecot with a private configuration.
pop3_port=$(free_port)
cat > "$state/dovecot.conf" <<CONF
base_dir = $rundir/dovecot
state_dir = $state/dovecot-state
instance_name = quillaran-tests-$(basename "$rundir")
protocols = pop3
listen = 127.0.0.1
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain login apop
auth_failure_delay = 0
default_login_user = $login_user
default_internal_user = $user
default_internal_group = $group
mail_uid = $mail_uid
mail_gid = $mail_gid
first_valid_uid = $mail_uid
last_valid_uid = 0
first_valid_gid = $mail_gid
log_path = $state/dovecot.log
mail_location = maildir:~/Maildir
pop3_uidl_format = %08Xu%08Xv
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $state/passwd
}
userdb {
  driver = passwd-file
  args = username_format=%u $state/passwd
}
service pop3-login {
  chroot =
  inet_listener pop3 {
    address = 127.0.0.1
    port = $pop3_port
  }
}
service anvil {
  chroot =
}
service imap-login {
  chroot =
}
service submission-login {
  chroot =
}
service auth {
  user = $user
}
service auth-worker {
  user = $user
}
CONF
mkdir -p "$state/dovecot-state"
# /usr/sbin is not on every user's path.
dovecot_bin=$(command -v dovecot || echo /usr/sbin/dovecot)
"$dovecot_bin" -c "$state/dovecot.conf" > "$state/dovecot.out" 2>&1 < /dev/null
wait_port "$pop3_port" dovecot || { cat "$state/dovecot.out" "$state/dovecot.log" >&2 2>/dev/null; exit 1; }

# SMTP: aiosmtpd.
smtp_port=$(free_port)
setsid "$python" "$here/smtpserver.py" --port "$smtp_port" --mailroot "$mailroot" \
  --users "$users" --password "$password" --ready "$state/smtp.ready" \
  > "$state/smtp.log" 2>&1 < /dev/null &
echo $! > "$state/smtp.pid"
until=$((SECONDS + 100))
while [ $SECONDS -lt $until ] && [ ! -s "$state/smtp.ready" ]; do sleep 0.05; done
[ -s "$state/smtp.ready" ] || { echo "start.sh: aiosmtpd did not start" >&2; cat "$state/smtp.log" >&2; exit 1; }

# SOCKS 5: microsocks, without and with authentication.
socks_port=$(free_port)
setsid microsocks -i 127.0.0.1 -p "$socks_port" > "$state/socks.log" 2>&1 < /dev/null &
echo $! > "$state/socks.pid"
socks_auth_port=$(free_port)
setsid microsocks -i 127.0.0.1 -p "$socks_auth_port" -u proxyuser -P proxypass \
  > "$state/socksauth.log" 2>&1 < /dev/null &
echo $! > "$state/socksauth.pid"
wait_port "$socks_port" microsocks
wait_port "$socks_auth_port" microsocks

# SOCKS 4: dante, open to this machine's clients, connecting anywhere.
socks4_port=$(free_port)
dante_users=""
[ "$uid" -eq 0 ] && dante_users="user.privileged: root
user.unprivileged: nobody"
cat > "$state/danted.conf" <<CONF
logoutput: $state/danted.log
internal: 127.0.0.1 port = $socks4_port
external: 127.0.0.1
clientmethod: none
socksmethod: none
$dante_users
client pass {
  from: 127.0.0.0/8 to: 0.0.0.0/0
}
socks pass {
  from: 127.0.0.0/8 to: 0.0.0.0/0
  command: connect
  protocol: tcp
}
CONF
danted_bin=$(command -v danted || echo /usr/sbin/danted)
setsid "$danted_bin" -f "$state/danted.conf" -p "$state/danted.run.pid" -N 1 > "$state/danted.out" 2>&1 < /dev/null &
echo $! > "$state/danted.pid"
wait_port "$socks4_port" dante || { cat "$state/danted.out" "$state/danted.log" >&2 2>/dev/null; exit 1; }

cat > "$state/servers.env" <<ENV
SMTP_PORT=$smtp_port
POP3_PORT=$pop3_port
SOCKS_PORT=$socks_port
SOCKS_AUTH_PORT=$socks_auth_port
SOCKS4_PORT=$socks4_port
SOCKS_USER=proxyuser
SOCKS_PASSWORD=proxypass
MAIL_PASSWORD=$password
MAIL_ROOT=$mailroot
ENV
echo "start.sh: SMTP $smtp_port, POP3 $pop3_port, SOCKS $socks_port and $socks_auth_port, SOCKS4 $socks4_port"
