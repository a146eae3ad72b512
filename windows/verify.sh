#!/bin/bash
# Checks a Windows toolchain built by windows/toolchain.sh under Wine:
#  - mecab.exe analyses Japanese with Debian's UTF-8 IPADIC exactly as the
#    Linux mecab does (Windows line ends aside);
#  - mecab-dict-index.exe compiles a user dictionary byte for byte as the
#    Linux one does, and mecab.exe uses it;
#  - a program's own CMake finds the cross Qt and MeCab (toolchain file and
#    CMAKE_PREFIX_PATH); a program on libmecab's C API gives Linux's output;
#  - a Qt Widgets program runs with the offscreen platform and with the
#    windows platform under Xvfb (windowsvista style, Japanese glyphs drawn,
#    Qt's Japanese texts for standard buttons loaded);
#  - a Qt Test program passes;
#  each from a folder holding only the program, its plugins and what
#  windows/dlls.sh lists (so that list is complete).
#
#   windows/verify.sh CACHE_FOLDER     (as printed by toolchain.sh)
#
# The test programs are written to a temporary folder under /tmp.  Wine's
# prefix is YOMIKA_WINEPREFIX, by default wine/ beside the cache folder.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
[ $# = 1 ] && [ -d "$1/qt" ] || { echo "usage: $0 CACHE_FOLDER" >&2; exit 2; }
tc=$(cd "$1" && pwd)

# Wine wants an X display for the windows platform: one Xvfb for the run.
if [ -z "${YOMIKA_VERIFY_IN_XVFB:-}" ]; then
  export YOMIKA_VERIFY_IN_XVFB=1
  exec xvfb-run -a -s '-screen 0 1280x1024x24' "$0" "$@"
fi

export WINEPREFIX=${YOMIKA_WINEPREFIX:-$(dirname "$tc")/wine}
export WINEDEBUG=-all WINEARCH=win64
# No offer to install Mono or Gecko: nothing here needs them.
export WINEDLLOVERRIDES='mscoree,mshtml='
unset WINEPATH

work=$(mktemp -d /tmp/yomika-winverify.XXXXXX)
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

passed=0 failed=0
pass() { passed=$((passed + 1)); echo "ok - $*"; }
fail() { failed=$((failed + 1)); echo "not ok - $*"; }
winpath() { printf 'Z:%s' "${1//\//\\}"; }

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "# creating the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i > "$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; exit 1; }
  wineserver -w
fi

dic=/var/lib/mecab/dic/ipadic-utf8
srcdic=/usr/share/mecab/dic/ipadic
sentence='すもももももももものうち。東京都に住んでいます。'
printf 'dicdir = %s\n' "$(winpath "$dic")" > "$work/mecabrc"
rc=$(winpath "$work/mecabrc")

# A folder with BINARY, the given plugins (as platforms/x.dll, styles/y.dll)
# and the DLLs that dlls.sh lists for all of them.
deploy() { # FOLDER BINARY [PLUGIN_SUBDIR/PLUGIN.dll...]
  local dir=$1 bin=$2 p; shift 2
  mkdir -p "$dir"
  cp "$bin" "$dir/"
  local all=("$dir/${bin##*/}")
  for p in "$@"; do
    mkdir -p "$dir/$(dirname "$p")"
    cp "$tc/qt/plugins/$p" "$dir/$p"
    all+=("$dir/$p")
  done
  YOMIKA_WINDOWS_TOOLCHAIN=$tc "$here/dlls.sh" "${all[@]}" > "$dir.dlls"
  xargs -r -d '\n' cp -t "$dir" < "$dir.dlls"
}

# --- mecab.exe and mecab-dict-index.exe --------------------------------------
m=$work/mecab
deploy "$m" "$tc/mecab/bin/mecab.exe"
cp "$tc/mecab/bin/mecab-dict-index.exe" "$m/"

printf '%s\n' "$sentence" | mecab -d "$dic" > "$work/linux.out"
if printf '%s\n' "$sentence" | wine "$m/mecab.exe" -r "$rc" > "$work/win.out" 2> "$work/win.err" &&
   tr -d '\r' < "$work/win.out" | cmp -s - "$work/linux.out" &&
   [ "$(wc -l < "$work/linux.out")" -gt 10 ]; then
  pass "mecab.exe analyses like Linux mecab ($(wc -l < "$work/linux.out") lines)"
else
  fail "mecab.exe output differs from Linux mecab"
  diff <(tr -d '\r' < "$work/win.out") "$work/linux.out" | head -n 20 || true
  cat "$work/win.err"
fi

printf '%s\n' 'よみか,1285,1285,3000,名詞,固有名詞,一般,*,*,*,よみか,ヨミカ,ヨミカ' > "$work/user.csv"
(cd "$work" && /usr/lib/mecab/mecab-dict-index -d "$srcdic" -u linux.dic \
   -f utf-8 -t utf-8 user.csv > /dev/null)
(cd "$work" && wine "$m/mecab-dict-index.exe" -d "$(winpath "$srcdic")" -u win.dic \
   -f utf-8 -t utf-8 user.csv > /dev/null 2>&1) || true
if [ -s "$work/win.dic" ] && cmp -s "$work/win.dic" "$work/linux.dic"; then
  pass "mecab-dict-index.exe makes the same user dictionary as Linux's"
else
  fail "mecab-dict-index.exe user dictionary differs or is missing"
fi
first=$(printf 'よみかで読む\n' | wine "$m/mecab.exe" -r "$rc" -u "$(winpath "$work/win.dic")" |
        tr -d '\r' | head -n1)
if [ "$first" = "$(printf 'よみか\t名詞,固有名詞,一般,*,*,*,よみか,ヨミカ,ヨミカ')" ]; then
  pass "mecab.exe uses the user dictionary"
else
  fail "mecab.exe with the user dictionary gave: $first"
fi

# --- test programs -----------------------------------------------------------
mkdir -p "$work/src"
cat > "$work/src/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.16)
project(winverify LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_AUTOMOC ON)
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
find_package(MeCab REQUIRED CONFIG)
add_executable(widgets widgets.cpp)
target_link_libraries(widgets PRIVATE Qt6::Widgets)
add_executable(qtest qtest_main.cpp)
target_link_libraries(qtest PRIVATE Qt6::Widgets Qt6::Test)
add_executable(mecabapi mecabapi.cpp)
target_link_libraries(mecabapi PRIVATE MeCab::mecab)
EOF

cat > "$work/src/widgets.cpp" <<'EOF'
// Usage: widgets [-platform P] EXPECTED_PLATFORM TRANSLATIONS_DIR
// Prints one line per check; the exit code is the number of failures.
#include <QApplication>
#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTranslator>
#include <QVBoxLayout>
#include <cstdio>

static int failures = 0;
static void check(bool ok, const char *what, const QString &detail)
{
    std::printf("%s %s: %s\n", ok ? "ok" : "FAIL", what, detail.toUtf8().constData());
    std::fflush(stdout);
    if (!ok)
        ++failures;
}

static QImage glyph(const QFont &font, char32_t c)
{
    QImage img(64, 64, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(img.rect(), Qt::AlignCenter, QString::fromUcs4(&c, 1));
    return img;
}

static int inked(const QImage &img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) != img.pixel(0, 0);
    return n;
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // argv, not arguments(): QApplication takes -platform P out of argv only.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() != 3) {
        std::printf("FAIL usage\n");
        return 100;
    }
    check(QGuiApplication::platformName() == args[1], "platform",
          QGuiApplication::platformName());
    check(app.style() != nullptr, "style", app.style() ? app.style()->name() : QString());
    if (args[1] == QLatin1String("windows"))
        check(app.style()->name() == QLatin1String("windowsvista"), "windowsvista style",
              app.style()->name());

    QTranslator translator;
    check(translator.load(QStringLiteral("qtbase_ja"), args[2])
              && app.installTranslator(&translator),
          "qtbase_ja.qm loaded", args[2]);

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *label = new QLabel(QString::fromUtf8("形態素解析"));
    QFont big = label->font();
    big.setPixelSize(32);
    label->setFont(big);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(label);
    layout->addWidget(buttons);
    const QString cancel = buttons->button(QDialogButtonBox::Cancel)->text();
    check(cancel.contains(QString::fromUtf8("キャンセル")), "Japanese Cancel button", cancel);
    window.setWindowTitle(QString::fromUtf8("読み"));
    window.show();

    QTimer::singleShot(0, &app, [&] {
        check(window.isVisible(), "window shown", window.windowTitle());
        const int ink = inked(label->grab().toImage());
        check(ink > 100, "label drawn", QString::number(ink) + " pixels");
        // Two different kanji give two different pictures only when a font
        // with Japanese glyphs was found (else both are the same box).
        const QImage a = glyph(big, U'形'), b = glyph(big, U'態');
        check(inked(a) > 20 && inked(b) > 20 && a != b, "Japanese glyphs",
              QFontInfo(big).family());
        app.exit(failures);
    });
    return app.exec();
}
EOF

cat > "$work/src/qtest_main.cpp" <<'EOF'
#include <QLineEdit>
#include <QtTest>

class WinVerify : public QObject
{
    Q_OBJECT
private slots:
    void utf8RoundTrip()
    {
        const QByteArray utf8("\xe5\xbd\xa2\xe6\x85\x8b\xe7\xb4\xa0");
        const QString s = QString::fromUtf8(utf8);
        QCOMPARE(s.size(), 3);
        QCOMPARE(s.at(0).unicode(), char16_t(0x5F62));
        QCOMPARE(s.toUtf8(), utf8);
    }
    void typing()
    {
        QLineEdit edit;
        QTest::keyClicks(&edit, QStringLiteral("kotoka"));
        QCOMPARE(edit.text(), QStringLiteral("kotoka"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("kotok"));
    }
    void offscreen()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    }
};

QTEST_MAIN(WinVerify)
#include "qtest_main.moc"
EOF

cat > "$work/src/mecabapi.cpp" <<'EOF'
// Usage: mecabapi MECAB_ARGS < text; writes MeCab's analysis with LF ends.
#include <mecab.h>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    std::string text;
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, stdin)) > 0;)
        text.append(buf, n);
    mecab_t *m = mecab_new2(argv[1]);
    if (!m) {
        std::fprintf(stderr, "%s\n", mecab_strerror(nullptr));
        return 1;
    }
    const char *out = mecab_sparse_tostr2(m, text.data(), text.size());
    if (!out)
        return 1;
    std::fputs(out, stdout);
    mecab_destroy(m);
    return 0;
}
EOF

if cmake -G Ninja -S "$work/src" -B "$work/build" \
     -DCMAKE_TOOLCHAIN_FILE="$tc/mingw-w64-x86_64.cmake" \
     -DCMAKE_PREFIX_PATH="$tc/qt;$tc/mecab" -DQT_HOST_PATH=/usr \
     -DCMAKE_BUILD_TYPE=Release > "$work/cmake.log" 2>&1 &&
   cmake --build "$work/build" >> "$work/cmake.log" 2>&1; then
  pass "test programs configured and built with the toolchain file"
else
  fail "test programs did not build"
  tail -n 30 "$work/cmake.log"
  echo "$passed passed, $failed failed"
  exit 1
fi

a=$work/mecabapi
deploy "$a" "$work/build/mecabapi.exe"
printf '%s\n' "$sentence" | mecab -d "$dic" > "$work/linux-api.out"
if printf '%s\n' "$sentence" | wine "$a/mecabapi.exe" "-r $rc" > "$work/api.out" 2>&1 &&
   cmp -s "$work/api.out" "$work/linux-api.out"; then
  pass "a program on libmecab's C API analyses like Linux mecab"
else
  fail "libmecab C API output differs"
  head -n 5 "$work/api.out"
fi

qm=$(dpkg -L qt6-translations-l10n | grep '/qtbase_ja\.qm$' | head -n1)
qmdir=$(winpath "$(dirname "$qm")")
# Wine drops QT_* variables from the environment, so QT_QPA_FONTDIR cannot
# point the offscreen platform at a font: it looks in PREFIX/lib/fonts, and
# without a qt.conf the prefix is the program's folder.
fonts() { mkdir -p "$1/lib/fonts"; ln -sf /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf "$1/lib/fonts/"; }

w=$work/widgets
deploy "$w" "$work/build/widgets.exe" platforms/qoffscreen.dll platforms/qwindows.dll \
  styles/qwindowsvistastyle.dll
fonts "$w"
for platform in offscreen windows; do
  if wine "$w/widgets.exe" -platform $platform $platform "$qmdir" > "$work/w-$platform.out" 2>&1; then
    pass "Qt Widgets program, $platform platform"
  else
    fail "Qt Widgets program, $platform platform"
  fi
  sed 's/^/#   /' "$work/w-$platform.out"
done

q=$work/qtest
deploy "$q" "$work/build/qtest.exe" platforms/qoffscreen.dll
fonts "$q"
if (cd "$q" && wine "$q/qtest.exe" -platform offscreen -o "$(winpath "$work/qtest.txt"),txt" \
      > /dev/null 2>&1) &&
   grep -q '^Totals: 5 passed, 0 failed' "$work/qtest.txt"; then
  pass "Qt Test program passes ($(grep '^Totals' "$work/qtest.txt"))"
else
  fail "Qt Test program"
  cat "$work/qtest.txt" 2>/dev/null || true
fi

echo "# What a Qt Widgets program needs beside it (stripped sizes):"
mkdir -p "$work/stripped"
while IFS= read -r f; do
  x86_64-w64-mingw32-strip -o "$work/stripped/${f##*/}" "$f"
done < <(cat "$w.dlls"; echo "$w/platforms/qwindows.dll"; echo "$w/styles/qwindowsvistastyle.dll")
du -b "$work"/stripped/* | sed "s|$work/stripped/||; s/^/#   /"
echo "#   total $(du -cb "$work"/stripped/* | tail -n1 | cut -f1) bytes"

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
