#!/bin/sh
# debian-source-package.sh PACKAGE[=VERSION] DEST
#
# Unpacks Debian's source package PACKAGE, with Debian's own patches applied,
# into the folder DEST. apt is given a source list and state folders of its
# own in a temporary folder, so that the machine's apt set-up is left as it
# is; the files are checked against the archive's signed index as usual.
set -eu
package=$1
dest=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/parts" "$work/lists/partial" "$work/cache/archives/partial" "$work/get"
. /etc/os-release
cat >"$work/parts/sources.sources" <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $VERSION_CODENAME $VERSION_CODENAME-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $VERSION_CODENAME-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
apt() {
  apt-get -q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$work/parts" \
    -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache" \
    -o APT::Sandbox::User=root "$@"
}
apt update >/dev/null
(cd "$work/get" && apt source --download-only "$package" >/dev/null)
dpkg-source --no-check -x "$work"/get/*.dsc "$work/unpacked" >/dev/null
rm -rf "$dest"
mkdir -p "$(dirname "$dest")"
mv "$work/unpacked" "$dest"
