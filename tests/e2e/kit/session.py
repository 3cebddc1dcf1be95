"""One scenario's world, made inside its own namespaces: the sandbox, the desktop, the TLS
service, the recorders and the launchers it starts. `close` ends every process of it."""
import os
import threading

from . import build, launcher, sandbox, service, webdav
from .desktop import Screen
from .procs import netns_of, run, sweep_netns


class Session:
    def __init__(self, work, pki, outside_netns, management=True, accounts=("bob",)):
        """accounts: the account names whose hosts resolve to the service; management: whether
        the management host resolves too."""
        self.work = work
        self.built = build.Built(work)
        self.pki = pki
        self.outside_netns = outside_netns
        self.launchers = []
        self.services = []
        self.shares = []
        hosts = [self.built.host(a) for a in accounts] + ([self.built.management_host] if management else [])
        sandbox.isolate(hosts, outside_netns)
        self.netns = netns_of()
        self.desktop = sandbox.Desktop("/tmp/home")
        try:
            self.desktop.start()
        except BaseException:
            self.close()
            raise
        # The accessibility reader finds the buses through this process's environment.
        os.environ.update(self.desktop.env)
        os.environ.pop("NO_AT_BRIDGE", None)
        self.screen = Screen(self.desktop.env)
        self.records = launcher.Records()

    def serve(self, answer, cert=None, lifetime=120.0):
        """Starts the subscriber's host on 127.0.0.1:443, presenting `cert` (the trusted server
        certificate unless told otherwise), answering each request with `answer`."""
        s = service.Service(*(cert or self.pki.server), answer, lifetime=lifetime)
        self.services.append(s)
        return s

    def share(self, host, users, files):
        """Starts Apache with a WebDAV share as the subscriber's host (see webdav.Share). GVfs checks
        certificates against the system bundle, which in this namespace becomes the test CA."""
        bundle = "/etc/ssl/certs/ca-certificates.crt"
        if os.path.exists(bundle) and not self.shares:
            run(["mount", "--bind", self.pki.trusted, bundle])
        sh = webdav.Share(f"/tmp/dav{len(self.shares)}", host, *self.pki.server, users, files)
        self.shares.append(sh)
        return sh

    def launch(self, app="app"):
        return launcher.Launcher(self, app)

    def close(self):
        for s in self.services:
            s.stop()
        for sh in self.shares:
            sh.stop()
        for l in self.launchers:
            l.stop()
        self.desktop.stop()
        # Whatever is left in this namespace (the launcher's own children included) is ours.
        sweep_netns(self.netns, self.outside_netns, spare={os.getpid()})

    @staticmethod
    def event():
        return threading.Event()
