#!/usr/bin/env bash
# Starts the mail tests' servers on free ports of 127.0.0.1, as the current
# user, from private files in STATE (a folder of the build tree):
#   SMTP   aiosmtpd with AUTH LOGIN, delivering into per-user Maildirs
#   POP3   dovecot serving those Maildirs (USER/PASS and APOP)
#   the same, encrypted: a certificate authority made for the run (STATE/ca.pem)
#   signs the servers' certificate; SMTP offers STARTTLS on one more port and
#   POP3 STLS (a second dovecot); under root, a loopback address of its own
#   (TLS_HOST) carries the standard ports encrypted from the start, 465 and 995
#   SOCKS5 microsocks, one open and one asking for a user name and password
#   SOCKS4 dante
# and writes STATE/servers.env for the tests. Nothing outside STATE and a
# private runtime folder under /tmp is touched.
set -euo pipefail
# The POP3 server reads the mail as its own user under root: what the servers write must be
# readable by it, whatever umask the tests run under.
umask 022
state=${1:?usage: start.sh STATE}
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
users="replya,replyb,replyc,modera,moderb,moderc,moderd,priva,privb,privc,roundtrip,faults,bench,apop,postrecv,postlong,postlocal,postcancel,senda,sendb,postjunk,posta,postb,postc,postd,poste,postwin,postrefa,postrefb,postrefc,postform,postport,e2ea,e2eb,e2ec,e2ed,e2ee,x11a,x11b,x11c,x11d,crasha,crashb,crashc,crashd,crashe,crashf,crashg,crashh,crashi,crashj,crashk,crashl,hostilea,hostileb,namesa,namesb,postrefuse,postflood,postaside,postsame,floodsa,floodsb,leftsa,leftsb,trusta,trustb,trustc,sealsa,sealsb,sealsc,privswa,privswb,privswc,account,tls,tlsrefused,tlsa,tlsb,tlsaccount,tlsplain,waitsa,waitsb,junka,junkb,wholea,wholeb,nameda,namedb,keyqa,keyqb,keyqc,corra,corrb,corrc,forga,forgb,forgc,movea,moveb,movec,moved,linka,linkb,linkfa,linkfb,linkca,linkcb,linkla,linklb,postnobody"
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

# Encryption: an authority of the run and the servers' certificate, valid for 127.0.0.1
# and, under root, for a free loopback address whose ports 465 and 995 are free.
tls_host=""
if [ "$uid" -eq 0 ]; then
  tls_host=$("$python" - <<'PY'
import random, socket
for _ in range(200):
    host = '127.%d.%d.%d' % (random.randint(1, 254), random.randint(0, 255), random.randint(2, 254))
    try:
        for port in (465, 995):
            s = socket.socket(); s.bind((host, port)); s.close()
    except OSError:
        continue
    print(host)
    break
PY
)
fi
openssl req -x509 -newkey rsa:2048 -nodes -days 3 -subj "/CN=Quillaran test authority" \
  -keyout "$state/ca.key" -out "$state/ca.pem" 2>/dev/null
san="IP:127.0.0.1${tls_host:+,IP:$tls_host}"
openssl req -newkey rsa:2048 -nodes -subj "/CN=mail.quillaran.test" \
  -keyout "$state/server.key" -out "$state/server.csr" 2>/dev/null
printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth\n' "$san" > "$state/server.ext"
openssl x509 -req -in "$state/server.csr" -CA "$state/ca.pem" -CAkey "$state/ca.key" -CAcreateserial \
  -days 3 -extfile "$state/server.ext" -out "$state/server.pem" 2>/dev/null
chmod 644 "$state/server.key"

# POP3: dovecot with a private configuration, once in the clear and once encrypted.
# dovecot_conf NAME SSL-LINES LISTENERS writes STATE/NAME.conf.
dovecot_conf() {
  cat > "$state/$1.conf" <<CONF
base_dir = $rundir/$1
state_dir = $state/$1-state
instance_name = quillaran-tests-$1-$(basename "$rundir")
protocols = pop3
listen = 127.0.0.1${tls_host:+, $tls_host}
$2
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
log_path = $state/$1.log
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
$3
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
  mkdir -p "$state/$1-state"
}
# /usr/sbin is not on every user's path.
dovecot_bin=$(command -v dovecot || echo /usr/sbin/dovecot)
start_dovecot() {  # name, port to wait for
  "$dovecot_bin" -c "$state/$1.conf" > "$state/$1.out" 2>&1 < /dev/null
  wait_port "$2" dovecot || { cat "$state/$1.out" "$state/$1.log" >&2 2>/dev/null; exit 1; }
}

pop3_port=$(free_port)
dovecot_conf dovecot "ssl = no" "  inet_listener pop3 {
    address = 127.0.0.1
    port = $pop3_port
  }"
start_dovecot dovecot "$pop3_port"

# Encrypted: STLS on its POP3 port and, under root, encrypted from the start on
# TLS_HOST:995. Each login attempt is logged with its user name.
pop3_stls_port=$(free_port)
pop3s_listener=""
[ -n "$tls_host" ] && pop3s_listener="
  inet_listener pop3s {
    address = $tls_host
    port = 995
    ssl = yes
  }"
dovecot_conf dovecot-tls "ssl = yes
ssl_cert = <$state/server.pem
ssl_key = <$state/server.key
auth_verbose = yes" "  inet_listener pop3 {
    address = 127.0.0.1
    port = $pop3_stls_port
  }$pop3s_listener"
start_dovecot dovecot-tls "$pop3_stls_port"

# SMTP: aiosmtpd, plain, with STARTTLS on a port of its own, and encrypted from the start
# on TLS_HOST:465.
smtp_port=$(free_port)
smtp_starttls_port=$(free_port)
setsid "$python" "$here/smtpserver.py" --port "$smtp_port" --mailroot "$mailroot" \
  --users "$users" --password "$password" --ready "$state/smtp.ready" \
  --cert "$state/server.pem" --key "$state/server.key" --starttls-port "$smtp_starttls_port" \
  ${tls_host:+--implicit "$tls_host:465"} \
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
SMTP_STARTTLS_PORT=$smtp_starttls_port
POP3_STLS_PORT=$pop3_stls_port
TLS_HOST=$tls_host
MAIL_CA=$state/ca.pem
SOCKS_PORT=$socks_port
SOCKS_AUTH_PORT=$socks_auth_port
SOCKS4_PORT=$socks4_port
SOCKS_USER=proxyuser
SOCKS_PASSWORD=proxypass
MAIL_PASSWORD=$password
MAIL_ROOT=$mailroot
ENV
echo "start.sh: SMTP $smtp_port (STARTTLS $smtp_starttls_port), POP3 $pop3_port (STLS $pop3_stls_port), TLS_HOST ${tls_host:-none}, SOCKS $socks_port and $socks_auth_port, SOCKS4 $socks4_port"
