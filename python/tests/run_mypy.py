# SPDX-License-Identifier: MIT
"""mypy --strict on the given files, or exit 77 (skipped) where mypy is missing."""

import sys

try:
    from mypy import api
except ImportError:
    print("skipped: mypy is not installed for this Python (Debian: python3-mypy)")
    sys.exit(77)

out, err, status = api.run(["--strict", *sys.argv[1:]])
sys.stdout.write(out)
sys.stderr.write(err)
sys.exit(status)
