# Real Japanese prose from the manual pages (manpages-ja), for the shell
# tests: roff requests and markup dropped, only lines with kana or kanji,
# each ended by LF. Source it, then
#   gather_prose BYTES FILE
# writes about BYTES bytes of whole lines to FILE; it fails, with a reason
# on standard output, when no manual page is installed.

gather_prose() {
  local limit=$1 file=$2
  local pages
  shopt -s nullglob
  pages=(/usr/share/man/ja/man1/*.gz /usr/share/man/ja/man8/*.gz /usr/share/man/ja/man5/*.gz)
  shopt -u nullglob
  if [ ${#pages[@]} -eq 0 ]; then
    echo "no Japanese manual pages (install manpages-ja)"
    return 1
  fi
  gzip -dc "${pages[@]}" | grep -v "^[.']" \
    | sed -e 's/\\f[BIRP]//g' -e 's/\\f(..//g' -e 's/\\[,/&]//g' -e 's/\\-/-/g' -e 's/^[ \t]*//' -e 's/[ \t]*$//' \
    | grep -v '\\' | grep -P '[\x{3040}-\x{30FF}\x{4E00}-\x{9FFF}]' \
    | awk -v limit="$limit" '{ size += length($0) + 1; print; if (size >= limit) exit }' > "$file"
  if [ ! -s "$file" ]; then
    echo "no prose gathered from ${#pages[@]} manual pages"
    return 1
  fi
  echo "prose: $(stat -c %s "$file") bytes from ${#pages[@]} manual pages"
}
