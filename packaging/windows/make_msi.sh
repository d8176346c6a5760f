#!/bin/sh
# Builds the per-user installer from the packed files:
#   make_msi.sh WIXL MSIBUILD WXS FILE_VERSION SOURCE_DIR ICON OUT.msi
# FILE_VERSION is the programs' whole version (four numbers); the package
# carries its first three, which is all Windows Installer compares. SOURCE_DIR
# and ICON relative to the working folder (this wixl takes no absolute paths
# there). wixl makes the package from WXS; msibuild then adds what this wixl
# cannot say:
#  - the Chinese guide's shortcut name. wixl keeps its strings in the build
#    machine's code page and leaves the database's own unset, so a name that
#    mixes Latin and Chinese letters cannot go through it. The database gets
#    code page 936 (GBK holds ASCII and Chinese), which Windows reads whatever
#    the system's language, and the name is set afterwards.
#  - tolvanectl's folder on the user's PATH (this wixl has no Environment
#    element): appended to the user's own Path, [~] keeping what is there, and
#    just that part taken away again on uninstall ("=-").
#  - the programs' file versions, so that an upgrade knows they are newer.
set -eu
wixl="$1"
msibuild="$2"
wxs="$3"
file_version="$4"
source_dir="$5"
icon="$6"
out="$7"
msiinfo="$(dirname "$msibuild")/msiinfo"
version="$(echo "$file_version" | cut -d. -f1-3)"
next_version="$(echo "$version" | awk -F. '{ print $1 "." $2 "." $3 + 1 }')"

tables="$(mktemp -d)"
trap 'rm -rf "$tables"' EXIT
# wixl's status is lost in the filter below: its package is the sign.
rm -f "$out"
"$wixl" -a x64 -D Version="$version" -D NextVersion="$next_version" -D SourceDir="$source_dir" -D IconFile="$icon" -o "$out" "$wxs" 2>&1 |
  grep -v 'builder.vala:[0-9]*: unimplemented' >&2 || true
[ -s "$out" ] || exit 1

printf '\r\n\r\n936\t_ForceCodepage\r\n' >"$tables/_ForceCodepage.idt"
printf 'Environment\tName\tValue\tComponent_\r\ns72\tl255\tL255\ts72\r\nEnvironment\tEnvironment\r\n%s\r\n' \
  'UserPath	=-PATH	[~];[INSTALLDIR]	CommandLine' >"$tables/Environment.idt"
# A step that did not take leaves no package behind.
die() {
  echo "make_msi: $1" >&2
  rm -f "$out"
  exit 1
}
sql() {
  "$msibuild" "$out" -q "$1" || die "failed: $1"
}
"$msibuild" "$out" -i "$tables/_ForceCodepage.idt" -i "$tables/Environment.idt" || die "the tables were not imported"
sql "UPDATE \`Shortcut\` SET \`Name\` = 'Tolvane 用户指南' WHERE \`Shortcut\` = 'GuideChShortcut'"
# The standard places of the two actions in the sequence.
sql "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('RemoveEnvironmentStrings', 3300)"
sql "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) VALUES ('WriteEnvironmentStrings', 5200)"
for exe in tolvane.exe tolvanectl.exe; do
  sql "UPDATE \`File\` SET \`Version\` = '$file_version', \`Language\` = '1033' WHERE \`File\` = '$exe'"
done
check() {
  "$msiinfo" export "$out" "$1" | grep -q "$2" || die "$1 lacks $2"
}
check Shortcut "Tolvane 用户指南"
check Environment "=-PATH"
check File "tolvanectl.exe	CommandLine	tolvanectl.exe	[0-9]*	$file_version	1033"
