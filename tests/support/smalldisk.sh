#!/bin/bash
# Runs a test command with a small file system of its own (a tmpfs of
# 512 KiB) mounted for it, and removes it afterwards. The command finds the
# file system's folder in YOMIKA_SMALL_DISK, as the program names it.
#
#   tests/support/smalldisk.sh --root=ROOT COMMAND [ARGUMENTS...]
#
# ROOT (possibly empty) goes before the folder's path: "Z:" for a Windows program under Wine
# (which shows the Unix root as drive Z:), empty otherwise. Mounting needs
# root (or CAP_SYS_ADMIN); where the machine refuses it, the run ends with
# status 77, which CTest reports as skipped, and says why.
set -uo pipefail
[ $# -ge 2 ] && [[ $1 == --root=* ]] || { echo "usage: $0 --root=ROOT COMMAND [ARGUMENTS...]" >&2; exit 2; }
root=${1#--root=}
shift
disk=$(mktemp -d "${TMPDIR:-/tmp}/yomika-smalldisk.XXXXXX") || exit 1
if ! reason=$(mount -t tmpfs -o size=512k,mode=0777 tmpfs "$disk" 2>&1); then
  echo "skipped: this machine lets no test mount a small file system: ${reason:-mount failed}"
  rmdir "$disk"
  exit 77
fi
trap 'umount "$disk" && rmdir "$disk"' EXIT
export YOMIKA_SMALL_DISK="$root$disk"
"$@"
