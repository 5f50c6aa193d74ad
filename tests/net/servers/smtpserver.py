#!/usr/bin/python3
"""SMTP server of the mail tests: aiosmtpd on 127.0.0.1 with AUTH LOGIN.

Given a certificate, the same mailboxes are served encrypted too: on a port that
offers STARTTLS, and on a port that is encrypted from the start. Every AUTH
attempt is logged ("AUTH user") so that tests can tell that none was made.

Each accepted recipient local part names a mailbox folder under the mail root;
a message is written into every recipient's Maildir (tmp/ then new/, lines
ended by LF as Maildir files are). Recipients without a mailbox are refused
with 550. Users and the password come from the command line.
"""
import argparse
import os
import signal
import socket
import ssl
import threading
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


class MaildirDelivery:
    def __init__(self, mailroot, users):
        self.mailroot = mailroot
        self.users = set(users)
        self.counter = 0
        self.lock = threading.Lock()

    def mailbox_of(self, address):
        local = address.split('@', 1)[0].lower()
        return local if local in self.users else None

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.mailbox_of(address) is None:
            return '550 5.1.1 <%s>: Recipient address rejected: no such mailbox' % address
        envelope.rcpt_tos.append(address)
        return '250 OK'

    async def handle_DATA(self, server, session, envelope):
        data = envelope.original_content or envelope.content
        if isinstance(data, str):
            data = data.encode('latin-1')
        data = data.replace(b'\r\n', b'\n')
        for address in envelope.rcpt_tos:
            box = os.path.join(self.mailroot, self.mailbox_of(address), 'Maildir')
            with self.lock:
                self.counter += 1
                name = '%d.P%dQ%d.quillaran' % (int(time.time()), os.getpid(), self.counter)
            tmp = os.path.join(box, 'tmp', name)
            with open(tmp, 'wb') as f:
                f.write(data)
            owner = os.stat(box)
            if owner.st_uid != os.getuid():
                # Under root the mailboxes belong to the POP3 server's mail account.
                os.chown(tmp, owner.st_uid, owner.st_gid)
            os.rename(tmp, os.path.join(box, 'new', name))
        return '250 Message accepted for delivery'


class Authenticator:
    def __init__(self, users, password):
        self.users = set(users)
        self.password = password

    def __call__(self, server, session, envelope, mechanism, auth_data):
        if not isinstance(auth_data, LoginPassword):
            return AuthResult(success=False, handled=False)
        user = auth_data.login.decode('latin-1')
        print('AUTH %s' % user, flush=True)
        good = user in self.users and auth_data.password.decode('latin-1') == self.password
        return AuthResult(success=good, handled=False)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--port', type=int, required=True)
    parser.add_argument('--mailroot', required=True)
    parser.add_argument('--users', required=True, help='comma-separated mailbox names')
    parser.add_argument('--password', required=True)
    parser.add_argument('--ready', required=True, help='file written once listening')
    parser.add_argument('--host', default='127.0.0.1')
    parser.add_argument('--cert', help='certificate chain (PEM) of the encrypted ports')
    parser.add_argument('--key', help='its private key (PEM)')
    parser.add_argument('--starttls-port', type=int, help='a port offering STARTTLS')
    parser.add_argument('--implicit', help='host:port encrypted from the start')
    args = parser.parse_args()
    users = args.users.split(',')
    delivery = MaildirDelivery(args.mailroot, users)

    def serve(host, port, **tls):
        controller = Controller(
            delivery, hostname=host, port=port,
            server_hostname='mail.quillaran.test', ready_timeout=20,
            authenticator=Authenticator(users, args.password), auth_require_tls=False,
            data_size_limit=128 * 1024 * 1024, **tls)
        controller.start()
        return controller

    controllers = [serve(args.host, args.port)]
    if args.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
        if args.starttls_port:
            controllers.append(serve(args.host, args.starttls_port, tls_context=context))
        if args.implicit:
            host, port = args.implicit.rsplit(':', 1)
            controllers.append(serve(host, int(port), ssl_context=context))
    with socket.create_connection((args.host, args.port), timeout=10) as probe:
        probe.recv(512)
    with open(args.ready, 'w') as f:
        f.write(str(os.getpid()))

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    while not stop.wait(1):
        pass
    for controller in controllers:
        controller.stop()


if __name__ == '__main__':
    main()
