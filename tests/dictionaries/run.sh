#!/usr/bin/env bash
# Installs what the test of the real dictionaries needs (UniDic is a 1 GB
# download, so only this test asks for it), then runs it. As root or with
# sudo. Installing them makes one of them the mecab command's default
# dictionary; nothing of ours reads /etc/mecabrc.
#   run.sh TEST_PROGRAM
set -euo pipefail
wanted=(unidic-mecab mecab-naist-jdic mecab manpages-ja)
missing=()
for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
exec "$1"
