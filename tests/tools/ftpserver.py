# FTP server for the tests, on 127.0.0.1: ftpserver.py ROOT USER PASSWORD [PORT] [OPTION...]
# Prints "ready <port>" once it listens; a port of 0 or none takes a free one. Options:
#   --timeout=N   end a control connection idle for N seconds with "421", as deployed servers do
#   --read-only   the user may list and download but not store
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

args = [a for a in sys.argv[1:] if not a.startswith("--")]
options = [a for a in sys.argv[1:] if a.startswith("--")]
root, user, password = args[0:3]
port = int(args[3]) if len(args) > 3 else 0
authorizer = DummyAuthorizer()
perm = "elr" if "--read-only" in options else "elradfmwMT"
authorizer.add_user(user, password, root, perm=perm)


class Handler(FTPHandler):
    auth_failed_timeout = 0


for option in options:
    if option.startswith("--timeout="):
        Handler.timeout = float(option.split("=", 1)[1])

Handler.authorizer = authorizer
server = FTPServer(("127.0.0.1", port), Handler)
print("ready", server.socket.getsockname()[1], flush=True)
# A bounded poll lets the idle time-outs fire while no connection is active.
server.serve_forever(timeout=0.2)
