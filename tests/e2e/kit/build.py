"""What the launcher under test was built with: the service's domain, its management host and the
support address (fixed when the build is configured, and written by it to service.conf beside its
application folder), and its short version (the application folder's Info). The suite derives
every host name and text it expects from these, never from the defaults."""
import os

from .procs import Failure

SERVICE_FILE = "service.conf"


def _pairs(path):
    """The "Key=Value" lines of a file."""
    try:
        with open(path) as f:
            return dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
    except OSError as e:
        raise Failure(f"cannot read {path} (written by the build): {e.strerror}") from e


class Built:
    def __init__(self, folder):
        """folder: a build folder, or the suite's copy of one (service.conf and app/)."""
        service = _pairs(os.path.join(folder, SERVICE_FILE))
        info = _pairs(os.path.join(folder, "app", "Info"))
        try:
            self.domain = service["ServiceDomain"]
            self.management_host = service["ManagementHost"]
            self.support_address = service["SupportAddress"]
            self.version = info["ShortVersion"]
        except KeyError as e:
            raise Failure(f"the build's {SERVICE_FILE} or Info lacks {e}") from e

    def host(self, account):
        """The account host of an account name."""
        return f"{account}.{self.domain}"
