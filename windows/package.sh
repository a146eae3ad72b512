#!/bin/bash
# Lays out the Windows program folder from a cross build and packs it twice:
# a portable zip and an NSIS installer.
#
#   windows/package.sh BUILD_DIR TOOLCHAIN_DIR
#
# BUILD_DIR is a MinGW build of the project (its dist/ holds yomika.exe,
# kotoka.exe, dic/ and README.TXT); TOOLCHAIN_DIR is the cache folder of
# windows/toolchain.sh. Writes into BUILD_DIR:
#   Yomika-<version>-win64/        the program folder
#   Yomika-<version>-win64.zip     that folder, to unpack anywhere writable
#   Yomika-<version>-setup.exe     the installer (Program Files\Yomika)
# Only the DLLs and plugins the programs load go in: windows/dlls.sh reads
# their import tables, since windeployqt cannot inspect a cross build here.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
[ $# = 2 ] && [ -f "$1/dist/yomika.exe" ] && [ -d "$2/qt" ] ||
  { echo "usage: $0 BUILD_DIR TOOLCHAIN_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd)
tc=$(cd "$2" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "package.sh: no project version in $build/CMakeCache.txt" >&2; exit 1; }
name=Yomika-$version-win64
stage=$build/$name
strip=x86_64-w64-mingw32-strip

rm -rf "$stage" "$build/$name.zip" "$build/Yomika-$version-setup.exe"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations" "$stage/dic/ipadic"

# The programs and the plugins they load, then every DLL those need.
cp "$build/dist/yomika.exe" "$build/dist/kotoka.exe" "$stage/"
cp "$tc/qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$tc/qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
YOMIKA_WINDOWS_TOOLCHAIN=$tc "$here/dlls.sh" "$stage/yomika.exe" "$stage/kotoka.exe" \
  "$stage/platforms/qwindows.dll" "$stage/styles/qwindowsvistastyle.dll" > "$build/$name.dlls"
xargs -r -d '\n' cp -t "$stage" < "$build/$name.dlls"
# Debug information stays in the build; the user gets a quarter of the size.
find "$stage" -name '*.exe' -o -name '*.dll' | while read -r f; do "$strip" --strip-unneeded "$f"; done

# Qt's Japanese texts for the standard dialogs and buttons.
. "$tc/toolchain.env"
cp "$YOMIKA_WIN_QTBASE_JA_QM" "$stage/translations/"

# The dictionary and the resource file as the build wrote them: kotoka reads
# the placeholder as the resource file's folder, wherever the folder is.
cp "$build/dist/dic/ipadic/"* "$stage/dic/ipadic/"
cp "$root/kotoka/kotokarc" "$stage/dic/kotokarc"

# Texts for Notepad: CR LF line ends.
crlf() { sed 's/\r$//; s/$/\r/' "$1" > "$2"; }
crlf "$root/ship/README.TXT" "$stage/README.TXT"
crlf "$root/LICENSE" "$stage/LICENSE.txt"
crlf "$root/ship/THIRD-PARTY-NOTICES.txt" "$stage/THIRD-PARTY-NOTICES.txt"
crlf "$root/ship/windows/NOTICES-WINDOWS.txt" "$stage/NOTICES-WINDOWS.txt"
mkdir -p "$stage/licenses"
for l in LGPL-3 GPL-3; do crlf "/usr/share/common-licenses/$l" "$stage/licenses/$l.txt"; done

(cd "$build" && zip -q -r -X "$name.zip" "$name")

# The installer lists every file it installs, so that its uninstaller
# removes those and leaves whatever else the user put there.
list=$build/installer-files.nsh
uninstall=$build/installer-uninstall.nsh
: > "$list"; : > "$uninstall"
(cd "$stage" && find . -type d | sort) | while read -r d; do
  d=${d#./}; [ "$d" = . ] && continue
  printf 'CreateDirectory "$INSTDIR\\%s"\n' "${d//\//\\}" >> "$list"
done
(cd "$stage" && find . -type f | sort) | while read -r f; do
  f=${f#./}; w=${f//\//\\}
  printf 'SetOutPath "$INSTDIR\\%s"\nFile "/oname=%s" "%s"\n' "$(dirname "$w" | sed 's/^\.$//')" "$(basename "$w")" "$stage/$f" >> "$list"
  printf 'Delete "$INSTDIR\\%s"\n' "$w" >> "$uninstall"
done
(cd "$stage" && find . -mindepth 1 -type d | sort -r) | while read -r d; do
  d=${d#./}
  printf 'RMDir "$INSTDIR\\%s"\n' "${d//\//\\}" >> "$uninstall"
done
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DFILES="$list" -DUNFILES="$uninstall" \
  -DOUTFILE="$build/Yomika-$version-setup.exe" -DICON="$root/ship/windows/yomika.ico" \
  "$root/ship/windows/yomika.nsi"

ls -l "$build/$name.zip" "$build/Yomika-$version-setup.exe"
