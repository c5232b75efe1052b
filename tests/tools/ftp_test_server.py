"""A throwaway FTP server for the upload tests.

Serves one user on 127.0.0.1, on a free port that it prints on the first line
of its standard output. Every command it receives is appended to a log file,
one line each, so tests can check what was sent and in which order.
"""

import argparse
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--home", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--readonly", action="append", default=[],
                        help="a folder under the home where the user may not write")
    parser.add_argument("--log", required=True, help="file that receives each command")
    parser.add_argument("--read-limit", type=int, default=0,
                        help="bytes per second accepted on uploads (0: no limit)")
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.home, perm="elradfmw")
    for folder in args.readonly:
        authorizer.override_perm(args.user, folder, perm="elr", recursive=True)

    log = open(args.log, "a", buffering=1, encoding="utf-8", errors="backslashreplace")

    class LoggingHandler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            log.write(line + "\n")
            return super().pre_process_command(line, cmd, arg)

    LoggingHandler.authorizer = authorizer
    LoggingHandler.passive_ports = None
    LoggingHandler.auth_failed_timeout = 0  # answer a wrong password at once
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


if __name__ == "__main__":
    sys.exit(main())
