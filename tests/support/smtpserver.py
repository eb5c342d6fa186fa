"""A real SMTP server on the loopback address for the e-mail tests (aiosmtpd).

Usage: smtpserver.py FOLDER [--tls starttls|implicit CERT KEY] [--login USER PASSWORD] [--mode MODE]
MODE is how the server misbehaves (default: it does not):
  drop-after-data   takes the whole message (and writes it), then closes the connection unanswered
  stall-after-data  takes the whole message (and writes it), then never answers
  vanish            closes every connection as soon as it is made, before greeting
  stall             accepts connections and never says a word
It speaks UTF-8 addresses (SMTPUTF8). Prints "PORT <n>" once it listens; every accepted message is written to FOLDER as
<n>.eml (the bytes as received), <n>.env (MAIL FROM, then one RCPT TO per line) and, as
Python's own mail parser reads it, <n>.subject, <n>.body (UTF-8) and <n>.att (the attachment's
bytes) with <n>.attname (its file name and type).
Runs until its standard input closes.
"""
import asyncio
import email
import email.policy
import socket
import ssl
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


class Store:
    def __init__(self, folder, mode=None):
        self.folder = folder
        self.mode = mode
        self.count = 0
        self.lock = threading.Lock()

    async def handle_DATA(self, server, session, envelope):
        with self.lock:
            self.count += 1
            n = self.count
        with open(f"{self.folder}/{n}.eml", "wb") as f:
            f.write(envelope.original_content)
        with open(f"{self.folder}/{n}.env", "w") as f:
            f.write("\n".join([envelope.mail_from] + envelope.rcpt_tos) + "\n")
        message = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        with open(f"{self.folder}/{n}.subject", "w", encoding="utf-8") as f:
            f.write(str(message["subject"]))
        with open(f"{self.folder}/{n}.body", "w", encoding="utf-8", newline="") as f:
            f.write(message.get_body(preferencelist=("plain",)).get_content())
        for part in message.iter_attachments():
            with open(f"{self.folder}/{n}.att", "wb") as f:
                f.write(part.get_content())
            with open(f"{self.folder}/{n}.attname", "w") as f:
                f.write(f"{part.get_filename()} {part.get_content_type()}")
        if self.mode == "drop-after-data":
            server.transport.abort()
            return "421 4.3.0 never heard"
        if self.mode == "stall-after-data":
            await asyncio.sleep(3600)
        return f"250 2.0.0 Ok: queued as TESZT{n}"


def silent_server(mode):
    """A listener that closes each connection at once (vanish) or keeps it without a word (stall)."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen()
    kept = []

    def serve():
        while True:
            connection, _ = listener.accept()
            if mode == "vanish":
                connection.close()
            else:
                kept.append(connection)

    threading.Thread(target=serve, daemon=True).start()
    print(f"PORT {listener.getsockname()[1]}", flush=True)
    sys.stdin.read()


def main():
    args = sys.argv[1:]
    folder = args.pop(0)
    tls_mode = None
    login = None
    mode = None
    while args:
        option = args.pop(0)
        if option == "--tls":
            tls_mode, cert, key = args.pop(0), args.pop(0), args.pop(0)
        elif option == "--login":
            login = (args.pop(0).encode(), args.pop(0).encode())
        elif option == "--mode":
            mode = args.pop(0)
    if mode in ("vanish", "stall"):
        silent_server(mode)
        return
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
    kwargs = {}
    context = None
    if tls_mode:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(cert, key)
    if tls_mode == "starttls":
        kwargs["tls_context"] = context
        kwargs["require_starttls"] = True
    elif tls_mode == "implicit":
        kwargs["ssl_context"] = context
    if login:
        def authenticate(server, session, envelope, mechanism, data):
            # not handled: the server itself answers 235 or 535
            return AuthResult(success=(data.login, data.password) == login, handled=False)
        kwargs["authenticator"] = authenticate
        # over implicit TLS the server does not know the connection is encrypted
        kwargs["auth_require_tls"] = tls_mode == "starttls"
        kwargs["auth_required"] = True
    controller = Controller(Store(folder, mode), hostname="127.0.0.1", port=port, enable_SMTPUTF8=True, **kwargs)
    controller.start()
    print(f"PORT {port}", flush=True)
    sys.stdin.read()
    controller.stop()


main()
