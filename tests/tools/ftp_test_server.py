"""A throwaway FTP server for the upload tests: one user on 127.0.0.1, on a
free port printed on the first line of its output; every command received is
appended to the log file, one line each."""

import argparse

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

parser = argparse.ArgumentParser()
for option in ("--home", "--user", "--password", "--log"):
    parser.add_argument(option, required=True)
parser.add_argument("--readonly", action="append", default=[])
parser.add_argument("--read-limit", type=int, default=0, help="upload bytes per second")
args = parser.parse_args()

authorizer = DummyAuthorizer()
authorizer.add_user(args.user, args.password, args.home, perm="elradfmw")
for folder in args.readonly:
    authorizer.override_perm(args.user, folder, perm="elr", recursive=True)
log = open(args.log, "a", buffering=1, encoding="utf-8", errors="backslashreplace")


class LoggingHandler(FTPHandler):
    authorizer = authorizer
    passive_ports = None
    auth_failed_timeout = 0  # answer a wrong password at once

    def pre_process_command(self, line, cmd, arg):
        log.write(line + "\n")
        return super().pre_process_command(line, cmd, arg)


if args.read_limit > 0:
    class Throttled(ThrottledDTPHandler):
        read_limit = args.read_limit
    LoggingHandler.dtp_handler = Throttled

server = FTPServer(("127.0.0.1", 0), LoggingHandler)
print(server.socket.getsockname()[1], flush=True)
try:
    server.serve_forever(handle_exit=True)
finally:
    server.close_all()
