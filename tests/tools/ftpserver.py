# FTP server for the tests, on 127.0.0.1: ftpserver.py ROOT USER PASSWORD [PORT]
# Prints "ready <port>" once it listens; a port of 0 or none takes a free one.
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

root, user, password = sys.argv[1:4]
port = int(sys.argv[4]) if len(sys.argv) > 4 else 0
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elradfmwMT")


class Handler(FTPHandler):
    auth_failed_timeout = 0


Handler.authorizer = authorizer
server = FTPServer(("127.0.0.1", port), Handler)
print("ready", server.socket.getsockname()[1], flush=True)
server.serve_forever()
