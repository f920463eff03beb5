#!/usr/bin/env bash
# Writes the per-user MSI of Ведорис (installer/Vedoris.wxs) from the program
# folder that assemble-package.sh laid out:
#
#   make-msi.sh <build folder> <program folder> <OUT.msi>
#
# The version, product name, publisher and the walker's identity are the ones
# the Windows build was configured with (<build folder>/installer/product.env,
# from the top-level CMakeLists.txt): an upgrade to try is a build of a later
# version, since the walker's file and class carry the version.
#
# Every version gets its own product code, derived from the version under a
# namespace fixed here: the same version always builds the same code, and a
# newer one replaces an older one as a major upgrade (a plain msiexec /i).
# The walker's two components (its file, its registration) get codes derived
# the same way: they differ from version to version, as their contents do.
set -euo pipefail

if [ $# -ne 3 ]; then
  echo "usage: make-msi.sh <build folder> <program folder> <OUT.msi>" >&2
  exit 2
fi
build="$(realpath "$1")"
program="$(realpath "$2")"
out="$(realpath -m "$3")"
here="$(cd "$(dirname "$0")" && pwd)"

for tool in wixl wixl-heat msibuild /usr/bin/python3; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "make-msi: '$tool' is missing; scripts/install-deps installs it" >&2
    exit 1
  fi
done

# shellcheck source=/dev/null
source "$build/installer/product.env"
version="$VEDORIS_VERSION"
product_code_namespace=C6918AC9-92CA-4BE9-AAEE-58D3D4DCD98B
derived_code() { # <name>: a code of this version
  /usr/bin/python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
    "$product_code_namespace" "$1"
}
product_code="$(derived_code "$version")"
walker_component="$(derived_code "walker $version")"
walker_registration_component="$(derived_code "walker registration $version")"
if [ ! -f "$program/$VEDORIS_WALKER_FILE" ]; then
  echo "make-msi: $VEDORIS_WALKER_FILE is not in $program" >&2
  exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# wixl finds its files relative to where it runs: the program folder and the
# icon are linked into the work folder.
ln -s "$program" "$work/program"
cp "$build/installer/vedoris.ico" "$work/vedoris.ico"
cp "$here/installer/Vedoris.wxs" "$work/Vedoris.wxs"
cd "$work"

# Every file of the program folder but the database and the walker, which
# Vedoris.wxs installs on their own terms.
find program/ -type f ! -name spec_base.mdb ! -name "$VEDORIS_WALKER_FILE" | LC_ALL=C sort |
  wixl-heat --prefix program/ --component-group ProgramFiles --var var.PackageDir \
            --directory-ref INSTALLDIR --win64 > files.wxs

# The size the entry under installed programs shows, in KB: the files as
# installed, whatever the file system here rounds them to.
size_kb=$(( ($(find program/ -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }') + 1023) / 1024 ))

mkdir -p "$(dirname "$out")"
wixl --arch x64 --output "$out" \
  -D Version="$version" -D ProductCode="$product_code" -D PackageDir=program \
  -D IconFile=vedoris.ico -D Win64=yes -D SizeKb="$size_kb" \
  -D WalkerFile="$VEDORIS_WALKER_FILE" -D WalkerProgId="$VEDORIS_WALKER_PROGID" -D WalkerClassId="$VEDORIS_WALKER_CLSID" \
  -D WalkerComponent="$walker_component" -D WalkerRegistrationComponent="$walker_registration_component" \
  Vedoris.wxs files.wxs

# wixl writes its tables in code page 1252, which has no Cyrillic: the
# database is switched to 1251 and the Russian texts go in now.
printf '\r\n\r\n1251\t_ForceCodepage\r\n' > _ForceCodepage.idt
msibuild "$out" -i _ForceCodepage.idt
newer="Уже установлена более новая версия программы $VEDORIS_PRODUCT_NAME."
set_text() { # <table> <column> <key column> <key> <text>
  case "$5" in *"'"*) echo "make-msi: a text with a quote cannot go into the installer: $5" >&2; exit 1 ;; esac
  msibuild "$out" -q "UPDATE \`$1\` SET \`$2\` = '$5' WHERE \`$3\` = '$4'"
}
set_text Property Value Property ProductName "$VEDORIS_PRODUCT_NAME"
set_text Property Value Property Manufacturer "$VEDORIS_PUBLISHER"
# A shortcut's file name: an 8.3 name for old file systems, then the long one.
set_text Shortcut Name Shortcut VedorisShortcut "VEDORIS|$VEDORIS_PRODUCT_NAME"
set_text Shortcut Description Shortcut VedorisShortcut "$VEDORIS_PRODUCT_NAME $version"
set_text Feature Title Feature Vedoris "$VEDORIS_PRODUCT_NAME"
set_text LaunchCondition Description Condition "NOT WIX_DOWNGRADE_DETECTED" "$newer"

# Beside msidbComponentAttributes64bit (0x100), which every component has:
# msidbComponentAttributesPermanent (0x10), an uninstall leaves the user's
# rows; msidbComponentAttributesNeverOverwrite (0x80), an install or upgrade
# that finds the file keeps it.
msibuild "$out" -q "UPDATE \`Component\` SET \`Attributes\` = 400 WHERE \`Component\` = 'Database'"
# The walker's file is permanent too (0x110): a CAD that loaded it holds it
# until the CAD ends, and an upgrade or uninstall that removed it would meet a
# file in use, whose answer is to close the CAD or to ask for a restart. The
# program removes walkers of older versions once no CAD holds them.
msibuild "$out" -q "UPDATE \`Component\` SET \`Attributes\` = 272 WHERE \`Component\` = 'Walker'"
echo "make-msi: $out ($version, product code {$product_code})"
