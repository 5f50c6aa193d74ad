#!/usr/bin/python3
"""SMTP server of the mail tests: aiosmtpd on 127.0.0.1 with AUTH LOGIN.

Each accepted recipient local part names a mailbox folder under the mail root;
a message is written into every recipient's Maildir (tmp/ then new/, lines
ended by LF as Maildir files are). Recipients without a mailbox are refused
with 550. Users and the password come from the command line.
"""
import argparse
import os
import signal
import socket
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
        good = user in self.users and auth_data.password.decode('latin-1') == self.password
        return AuthResult(success=good, handled=False)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--port', type=int, required=True)
    parser.add_argument('--mailroot', required=True)
    parser.add_argument('--users', required=True, help='comma-separated mailbox names')
    parser.add_argument('--password', required=True)
    parser.add_argument('--ready', required=True, help='file written once listening')
    args = parser.parse_args()
    users = args.users.split(',')

    controller = Controller(
        MaildirDelivery(args.mailroot, users), hostname='127.0.0.1', port=args.port,
        server_hostname='mail.quillaran.test', ready_timeout=20,
        authenticator=Authenticator(users, args.password), auth_require_tls=False,
        data_size_limit=128 * 1024 * 1024)
    controller.start()
    with socket.create_connection(('127.0.0.1', args.port), timeout=10) as probe:
        probe.recv(512)
    with open(args.ready, 'w') as f:
        f.write(str(os.getpid()))

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    while not stop.wait(1):
        pass
    controller.stop()


if __name__ == '__main__':
    main()
