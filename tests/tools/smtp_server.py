#!/usr/bin/python3
"""A mail submission server on loopback for the mail transport's tests.

Prints "PORT <n>" once it accepts connections, then serves until it gets
SIGTERM, its standard input closes, or 120 seconds have passed.

Modes:
  tls          STARTTLS (certificate --cert/--key) and AUTH LOGIN/PLAIN for
               the account reporter/secret; TLS is required before AUTH
  plain        no STARTTLS offered; AUTH would be accepted in the clear
  drop-data    as tls, but the connection is dropped in the middle of DATA

Each received message is saved in --out as <n>.eml, with its subject in
<n>.subject and each attachment as <n>-<filename>. Every AUTH attempt
appends a line to --out/auth.log.
"""
import argparse
import asyncio
import email
import os
import signal
import socket
import ssl
import sys
import threading
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


class Saver:
    def __init__(self, out):
        self.out = out
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.out, str(self.count))
        with open(base + ".eml", "wb") as f:
            f.write(envelope.content)
        msg = email.message_from_bytes(envelope.content)
        with open(base + ".subject", "w") as f:
            f.write(str(msg.get("Subject", "")))
        with open(base + ".rcpt", "w") as f:
            f.write("\n".join(envelope.rcpt_tos))
        for part in msg.walk():
            name = part.get_filename()
            if name:
                with open("%s-%s" % (base, name), "wb") as f:
                    f.write(part.get_payload(decode=True))
        return "250 OK"


class DropSMTP(SMTP):
    async def smtp_DATA(self, arg):
        await self.push("354 End data with <CR><LF>.<CR><LF>")
        await asyncio.sleep(0.2)
        self.transport.abort()


class DropController(Controller):
    def factory(self):
        return DropSMTP(self.handler, **self.SMTP_kwargs)


def main():
    warnings.simplefilter("ignore")
    ap = argparse.ArgumentParser()
    ap.add_argument("--mode", required=True, choices=["tls", "plain", "drop-data"])
    ap.add_argument("--cert")
    ap.add_argument("--key")
    ap.add_argument("--out", required=True)
    args = ap.parse_args()

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = auth_data.login == b"reporter" and auth_data.password == b"secret"
        with open(os.path.join(args.out, "auth.log"), "a") as f:
            f.write("%s %s %s\n" % (mechanism, auth_data.login.decode(errors="replace"), "ok" if ok else "refused"))
        return AuthResult(success=ok, handled=False)

    kwargs = dict(authenticator=authenticator, auth_require_tls=args.mode != "plain")
    if args.mode != "plain":
        ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        ctx.load_cert_chain(args.cert, args.key)
        kwargs["tls_context"] = ctx
        kwargs["require_starttls"] = True
    port = free_port()
    cls = DropController if args.mode == "drop-data" else Controller
    controller = cls(Saver(args.out), hostname="127.0.0.1", port=port, **kwargs)
    controller.start()
    print("PORT %d" % port, flush=True)

    done = threading.Event()
    signal.signal(signal.SIGTERM, lambda *a: done.set())
    threading.Thread(target=lambda: (sys.stdin.read(), done.set()), daemon=True).start()
    done.wait(120)
    # Stopping waits on the connections still open; a client that went away
    # in the middle of a handshake must not keep the server alive.
    stopper = threading.Thread(target=controller.stop, daemon=True)
    stopper.start()
    stopper.join(5)
    sys.stdout.flush()
    sys.stderr.flush()
    os._exit(0)


if __name__ == "__main__":
    main()
