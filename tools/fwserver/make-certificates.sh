#!/usr/bin/env bash
# Makes a throw-away certificate authority and a server certificate for
# 127.0.0.1 / localhost (and any further host NAMEs) signed by it, into OUTDIR:
#   ca.pem ca.key server.pem server.key
#   make-certificates.sh OUTDIR "CA common name" [NAME...]
set -euo pipefail
out="$1"
name="${2:-Lens Firmware Server Test CA}"
shift $(( $# < 2 ? $# : 2 ))
alt="IP:127.0.0.1,IP:::1,DNS:localhost"
for host in "$@"; do alt="$alt,DNS:$host"; done
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

cat > "$tmp/ca.ext" <<EXT
basicConstraints=critical,CA:TRUE
keyUsage=critical,keyCertSign,cRLSign
subjectKeyIdentifier=hash
EXT
cat > "$tmp/server.ext" <<EXT
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=$alt
authorityKeyIdentifier=keyid
subjectKeyIdentifier=hash
EXT

openssl genrsa -traditional -out "$tmp/ca.key" 2048 2>/dev/null
openssl req -new -key "$tmp/ca.key" -subj "/CN=$name" -out "$tmp/ca.csr"
openssl x509 -req -in "$tmp/ca.csr" -signkey "$tmp/ca.key" -days 3650 -sha256 \
    -extfile "$tmp/ca.ext" -out "$tmp/ca.pem" 2>/dev/null

openssl genrsa -traditional -out "$tmp/server.key" 2048 2>/dev/null
openssl req -new -key "$tmp/server.key" -subj "/CN=127.0.0.1" -out "$tmp/server.csr"
openssl x509 -req -in "$tmp/server.csr" -CA "$tmp/ca.pem" -CAkey "$tmp/ca.key" -CAcreateserial \
    -days 3650 -sha256 -extfile "$tmp/server.ext" -out "$tmp/server.pem" 2>/dev/null

openssl verify -CAfile "$tmp/ca.pem" "$tmp/server.pem" >/dev/null
chmod 600 "$tmp/ca.key" "$tmp/server.key"
mv "$tmp/ca.key" "$tmp/server.key" "$tmp/ca.pem" "$tmp/server.pem" "$out/"
