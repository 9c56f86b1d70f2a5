#!/usr/bin/env bash
# Signs a packed setup with Authenticode (osslsigncode: SHA-256, the certificate chain in CERT,
# its private key in KEY, PEM or DER), then checks that the signed setup still passes its own
# integrity check. The signature lands after the container, which the setup's reader ignores.
#
#   scripts/sign.sh SETUP CERT KEY [SIGNED]   writes SIGNED (default: SETUP itself, replaced)
#
# TGW_TIMESTAMP_URL, when set, names an RFC 3161 time-stamp server (the signature then outlives
# the certificate); TGW_KEY_PASSWORD the key's password; TGWPACK the packer (default: the
# native build's).
set -euo pipefail

if (($# < 3 || $# > 4)); then
  sed -n '6p' "$0" | sed 's/^#  *//' >&2
  exit 2
fi
setup=$1 cert=$2 key=$3 signed=${4:-$1}
tgwpack=${TGWPACK:-$(dirname "$0")/../build/native/tools/packer/tgwpack}
command -v osslsigncode >/dev/null || { echo "sign.sh: osslsigncode is not installed (scripts/install-deps.sh)" >&2; exit 1; }
[ -x "$tgwpack" ] || { echo "sign.sh: no packer at $tgwpack (build the native preset)" >&2; exit 1; }

# Written beside the result and moved there only when signed and checked: never a half file.
work=$(mktemp -d "$(dirname -- "$signed")/.sign.XXXXXX")
trap 'rm -rf -- "$work"' EXIT
partial=$work/signed.exe
options=(-certs "$cert" -key "$key" -h sha256 -n "Tagwright 2.50 Setup"
         -i "https://tagwright.example.org/")
[ -n "${TGW_TIMESTAMP_URL:-}" ] && options+=(-ts "$TGW_TIMESTAMP_URL")
[ -n "${TGW_KEY_PASSWORD:-}" ] && options+=(-pass "$TGW_KEY_PASSWORD")
osslsigncode sign "${options[@]}" -in "$setup" -out "$partial" >/dev/null
"$tgwpack" --list "$partial" >/dev/null
chmod --reference="$setup" "$partial"
mv -f -- "$partial" "$signed"
echo "signed: $signed"
