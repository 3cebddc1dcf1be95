"""The subscriber's host for real: Apache on 127.0.0.1:443 of the sandbox serving a WebDAV share
over HTTPS with Basic authentication. The launcher's sign-in request (GET of the top, once the
credential is accepted) is answered with 501, as the service does; everything else is the share.
The machine's own Apache configuration is not read."""
import os
import pwd
import socket
import subprocess
import time

from .procs import Failure, die_with_parent, note, run, stop

MODULES = ["mpm_event", "authz_core", "authz_user", "authn_core", "authn_file", "auth_basic", "mime",
           "socache_shmcb", "ssl", "dav", "dav_fs", "rewrite"]

CONFIG = """\
ServerRoot "{d}"
PidFile "{d}/httpd.pid"
ServerName localhost
Listen 127.0.0.1:443
User www-data
Group www-data
ErrorLog "{d}/error.log"
LogLevel warn
Timeout 30
Mutex file:{d} default
DefaultRuntimeDir "{d}"
{modules}
TypesConfig /etc/mime.types
LogFormat "%u \\"%r\\" %>s \\"%{{User-Agent}}i\\"" share
DAVLockDB "{d}/lock/DAVLock"
SSLSessionCache "shmcb:{d}/ssl_cache(512000)"
SSLProtocol TLSv1.2 TLSv1.3

<Directory />
  Require all denied
  AllowOverride None
</Directory>

<VirtualHost *:443>
  ServerName {host}
  SSLEngine on
  SSLCertificateFile "{cert}"
  SSLCertificateKeyFile "{key}"
  CustomLog "{d}/access.log" share
  DocumentRoot "{d}/share"
  <Directory "{d}/share">
    Dav On
    AuthType Basic
    AuthName "Keldara disk"
    AuthBasicProvider file
    AuthUserFile "{d}/users"
    Require valid-user
    # The sign-in request: a GET of the top of the share, answered once the credential passed.
    RewriteEngine on
    RewriteCond %{{REQUEST_METHOD}} =GET
    RewriteRule ^$ - [R=501,L]
  </Directory>
</VirtualHost>
"""


class Share:
    def __init__(self, d, host, cert, key, users, files):
        """users: {account: password}; files: {name: text} at the top of the share."""
        for m in MODULES:
            if not os.path.exists(f"/usr/lib/apache2/modules/mod_{m}.so"):
                raise Failure(f"Apache's mod_{m} is not installed (package apache2)")
        try:
            pwd.getpwnam("www-data")
        except KeyError:
            raise Failure("there is no user www-data to run Apache as")
        self.dir = d
        os.makedirs(os.path.join(d, "share"))
        os.makedirs(os.path.join(d, "lock"))
        os.chmod(d, 0o755)
        os.chmod(os.path.join(d, "share"), 0o755)
        os.chown(os.path.join(d, "lock"), pwd.getpwnam("www-data").pw_uid, -1)
        for name, text in files.items():
            p = os.path.join(d, "share", name)
            with open(p, "w") as f:
                f.write(text)
            os.chmod(p, 0o644)
        users_file = os.path.join(d, "users")
        for i, (account, password) in enumerate(users.items()):
            # The password travels on standard input, not in the argument list.
            run(["htpasswd", "-i", "-m"] + ([] if i else ["-c"]) + [users_file, account],
                input=password + "\n")
        os.chmod(users_file, 0o644)
        modules = "\n".join(f"LoadModule {m}_module /usr/lib/apache2/modules/mod_{m}.so" for m in MODULES)
        conf = os.path.join(d, "httpd.conf")
        with open(conf, "w") as f:
            f.write(CONFIG.format(d=d, host=host, cert=cert, key=key, modules=modules))
        self.log = open(os.path.join(d, "startup.log"), "wb")
        self.proc = subprocess.Popen(["apache2", "-f", conf, "-DFOREGROUND"], stdin=subprocess.DEVNULL,
                                     stdout=self.log, stderr=subprocess.STDOUT, preexec_fn=die_with_parent,
                                     env={"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "LANG": "C"})
        deadline = time.monotonic() + 20
        while True:
            try:
                socket.create_connection(("127.0.0.1", 443), timeout=1).close()
                break
            except OSError:
                if self.proc.poll() is not None or time.monotonic() > deadline:
                    raise Failure("Apache did not start: " + self._read("startup.log") + self._read("error.log"))
                time.sleep(0.1)
        note("WebDAV share up")

    def _read(self, name):
        try:
            with open(os.path.join(self.dir, name), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def access_log(self):
        return self._read("access.log").splitlines()

    def error_log(self):
        return self._read("error.log")

    def stop(self):
        stop(self.proc, grace=5)
        self.log.close()
