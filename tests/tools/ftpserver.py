# FTP server for the tests, on 127.0.0.1: ftpserver.py ROOT USER PASSWORD [PORT] [OPTION...]
# Prints "ready <port>" once it listens; a port of 0 or none takes a free one. Options:
#   --timeout=N   end a control connection idle for N seconds with "421", as deployed servers do
#   --read-only   the user may list and download but not store
#   --read-only-while=FILE   as --read-only while FILE exists
#   --silent-while=FILE      while FILE exists, answer nothing after the login but QUIT
import os
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

args = [a for a in sys.argv[1:] if not a.startswith("--")]
options = [a for a in sys.argv[1:] if a.startswith("--")]
root, user, password = args[0:3]
port = int(args[3]) if len(args) > 3 else 0
def option_value(name):
    return next((o.split("=", 1)[1] for o in options if o.startswith(name + "=")), None)


flag = option_value("--read-only-while")
silent = option_value("--silent-while")


class Authorizer(DummyAuthorizer):
    def has_perm(self, username, perm, path=None):
        if flag and perm not in "elr" and os.path.exists(flag):
            return False
        return DummyAuthorizer.has_perm(self, username, perm, path)


authorizer = Authorizer()
perm = "elr" if "--read-only" in options else "elradfmwMT"
authorizer.add_user(user, password, root, perm=perm)


class Handler(FTPHandler):
    auth_failed_timeout = 0

    def pre_process_command(self, line, cmd, arg):
        if silent and self.authenticated and cmd != "QUIT" and os.path.exists(silent):
            self.log("unanswered: %s" % cmd)
            return
        FTPHandler.pre_process_command(self, line, cmd, arg)


for option in options:
    if option.startswith("--timeout="):
        Handler.timeout = float(option.split("=", 1)[1])

Handler.authorizer = authorizer
server = FTPServer(("127.0.0.1", port), Handler)
print("ready", server.socket.getsockname()[1], flush=True)
# A bounded poll lets the idle time-outs fire while no connection is active.
server.serve_forever(timeout=0.2)
