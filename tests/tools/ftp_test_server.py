"""A throwaway FTP server for the upload tests: one user on 127.0.0.1, whose
home (made under --folder) has a writable folder "up" and a read-only one
"ro"; in "up/keep" files can be stored but neither renamed nor deleted.
Prints on the first line of its output its port, a port that takes
connections but never says a word, a port where nothing listens, and its
process id. Every command received is appended to commands.log in --folder,
one line each. With --cert (a PEM file with the key), it speaks FTP with
explicit TLS only."""

import argparse
import os
import socket

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler, TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer

parser = argparse.ArgumentParser()
for option in ("--folder", "--user", "--password"):
    parser.add_argument(option, required=True)
parser.add_argument("--cert")
parser.add_argument("--read-limit", type=int, default=0,
                    help="upload bytes per second; -1: never read an upload (a stalled transfer)")
args = parser.parse_args()

home = os.path.join(args.folder, "home")
for folder in ("up", "ro", "up/keep"):
    os.makedirs(os.path.join(home, folder))
authorizer = DummyAuthorizer()
authorizer.add_user(args.user, args.password, home, perm="elradfmw")
authorizer.override_perm(args.user, os.path.join(home, "ro"), perm="elr", recursive=True)
authorizer.override_perm(args.user, os.path.join(home, "up", "keep"), perm="elrw", recursive=True)
log = open(os.path.join(args.folder, "commands.log"), "a", buffering=1, encoding="utf-8",
           errors="backslashreplace")


class TlsData(TLS_DTPHandler):
    # pyftpdlib 1.5.7 closes a data connection that is readable before the
    # transfer command arrives, which is when a client starts TLS on it.
    def readable(self):
        if self._ssl_requested and not self._ssl_established:
            return True
        return super().readable()


class LoggingHandler(TLS_FTPHandler if args.cert else FTPHandler):
    authorizer = authorizer
    passive_ports = None
    auth_failed_timeout = 0  # answer a wrong password at once

    def pre_process_command(self, line, cmd, arg):
        log.write(line + "\n")
        return super().pre_process_command(line, cmd, arg)


if args.cert:
    LoggingHandler.certfile = args.cert
    LoggingHandler.tls_control_required = LoggingHandler.tls_data_required = True
    LoggingHandler.dtp_handler = TlsData
if args.read_limit > 0:
    class Throttled(ThrottledDTPHandler):
        read_limit = args.read_limit
    LoggingHandler.dtp_handler = Throttled
elif args.read_limit < 0:
    class Stalled(ThrottledDTPHandler):
        def readable(self):
            return False
    LoggingHandler.dtp_handler = Stalled

server = FTPServer(("127.0.0.1", 0), LoggingHandler)
silent = socket.create_server(("127.0.0.1", 0))
with socket.create_server(("127.0.0.1", 0)) as closed:
    closed_port = closed.getsockname()[1]
print(server.socket.getsockname()[1], silent.getsockname()[1], closed_port, os.getpid(), flush=True)
try:
    server.serve_forever(handle_exit=True)
finally:
    server.close_all()
