"""A throwaway certificate authority for the suite, made with the openssl command, and the server
certificates the TLS service presents."""
import os

from .procs import run

ACCOUNTS = ["bob", "anna", "carol"]


def _ca(d, name, subject):
    key, pem = os.path.join(d, f"{name}.key"), os.path.join(d, f"{name}.pem")
    run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-keyout", key, "-out", pem, "-days", "2", "-subj", f"/CN={subject}",
         "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign"])
    return key, pem


def _leaf(d, name, ca, hosts):
    key, csr, pem = (os.path.join(d, f"{name}.{x}") for x in ("key", "csr", "pem"))
    ext = os.path.join(d, f"{name}.ext")
    with open(ext, "w") as f:
        f.write("basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=serverAuth\n"
                "subjectAltName=" + ",".join(f"DNS:{h}" for h in hosts) + "\n")
    run(["openssl", "req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-keyout", key, "-out", csr, "-subj", f"/CN={hosts[0]}"])
    run(["openssl", "x509", "-req", "-in", csr, "-CA", ca[1], "-CAkey", ca[0], "-CAcreateserial",
         "-days", "2", "-extfile", ext, "-out", pem])
    return pem, key


class TestPki:
    """trusted: the CA the launcher is told to trust (SSL_CERT_FILE); server: the certificate of
    the account hosts from it; rogue: the same names from a CA nobody trusts; other_host: a
    certificate of the trusted CA for a host that is not the account's."""

    def __init__(self, d, domain=None):
        """With the service's domain: makes the authorities and certificates in d; without, uses
        those made there."""
        self.dir = d
        j = lambda *names: tuple(os.path.join(d, n) for n in names)
        if domain:
            os.makedirs(d, exist_ok=True)
            hosts = [f"{a}.{domain}" for a in ACCOUNTS]
            ca = _ca(d, "ca", "Keldara Launcher e2e test CA")
            rogue_ca = _ca(d, "rogue-ca", "Keldara Launcher e2e untrusted CA")
            _leaf(d, "server", ca, hosts)
            _leaf(d, "rogue", rogue_ca, hosts)
            _leaf(d, "other-host", ca, [f"somebody-else.{domain}"])
        self.trusted = j("ca.pem")[0]
        self.ca = j("ca.key", "ca.pem")
        self.server = j("server.pem", "server.key")
        self.rogue = j("rogue.pem", "rogue.key")
        self.other_host = j("other-host.pem", "other-host.key")

    def issue(self, name, hosts):
        """A further certificate of the trusted authority, for hosts: (cert, key)."""
        return _leaf(self.dir, name, self.ca, hosts)
