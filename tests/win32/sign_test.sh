#!/usr/bin/env bash
# A setup signed by scripts/sign.sh with a throwaway certificate verifies, keeps its integrity
# record and installs under Wine; changed after signing, it fails both checks.
set -euo pipefail
work=$1 setup=$2 tgwpack=$3 tgwauto=$4 wine_run=$5 prefix=$6
rm -rf -- "$work" && mkdir -p -- "$work" && cd -- "$work"
fail() { echo "sign_test.sh: FAILED: $*" >&2 && exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj "/CN=Tagwright test signer" 2>/dev/null
TGWPACK=$tgwpack "$(dirname "$0")/../../scripts/sign.sh" "$setup" cert.pem key.pem signed.exe
osslsigncode verify -CAfile cert.pem -in signed.exe >/dev/null
"$tgwpack" --list signed.exe | grep -q '^integrity record: the body.* match SHA-256'

target=$prefix/drive_c/tgw-signed
rm -rf -- "$target" && mkdir -p -- "$target"
"$wine_run" "$prefix" "$tgwauto" 'Z:'"$(realpath signed.exe | tr / '\\')" \
  --folder 'C:\tgw-signed\Tagwright' --no-desktop-icon >/dev/null
[[ -s $target/Tagwright/install.log && -s $target/Tagwright/Tagwright.exe ]] || fail "not installed"
rm -rf -- "$target"

cp signed.exe changed.exe
printf 'Z' | dd of=changed.exe bs=1 seek=$(($(stat -c %s changed.exe) - 5000)) conv=notrunc \
  2>/dev/null
! osslsigncode verify -CAfile cert.pem -in changed.exe >/dev/null 2>&1 ||
  fail "a changed setup still verifies"
! "$tgwpack" --list changed.exe >/dev/null 2>&1 || fail "a changed setup passes its record"
echo "signed, verified, installed; a change after signing fails both checks"
