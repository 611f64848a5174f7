#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Makes the certificates of the TLS tests with the openssl command, into
# DIR (made afresh through a scratch folder renamed at the end, so a reader
# never sees half a set):
#
#   ca.pem ca.key              test CA (EC P-256, 10 years)
#   station.pem station.key    station, valid 20 days (expires within 30),
#                              subjectAltName IP 127.0.0.1 and localhost
#   station-chain.pem          station certificate followed by the CA
#   station-expired.pem/.key   station certificate that expired in 2021
#   master.pem master.key      good master (1 year)
#   master2.pem master2.key    a second good master (for pinning)
#   master-expired.pem/.key    expired master
#   master-future.pem/.key     master valid only from 2040
#   master-revoked.pem/.key    master revoked in crl.pem
#   crl.pem                    CRL of the test CA (30 days)
#   other-ca.pem               a CA the station does not trust
#   master-other.pem/.key      master signed by other-ca
#   ready                      written last
#
# Usage: make_test_pki.sh DIR
set -eu
dir=$1
scratch="$dir.tmp.$$"
rm -rf "$scratch"
mkdir -p "$scratch"
cd "$scratch"

key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null; }

# A CA database for "openssl ca" (explicit dates, revocation, CRL).
ca_db() {
    mkdir -p "$1/new"
    : > "$1/index.txt"
    echo 1000 > "$1/serial"
    echo 1000 > "$1/crlnumber"
    cat > "$1/ca.cnf" <<CNF
[ ca ]
default_ca = testca
[ testca ]
dir = $PWD/$1
database = \$dir/index.txt
new_certs_dir = \$dir/new
serial = \$dir/serial
crlnumber = \$dir/crlnumber
certificate = \$dir/ca.pem
private_key = \$dir/ca.key
default_md = sha256
default_days = 365
default_crl_days = 30
policy = any
unique_subject = no
copy_extensions = none
[ any ]
commonName = supplied
[ master ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = clientAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[ station ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1, DNS:localhost
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF
    key "$1/ca.key"
    openssl req -x509 -new -key "$1/ca.key" -subj "/CN=$2" -days 3650 -sha256 \
        -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign,cRLSign" -out "$1/ca.pem" 2>/dev/null
}

# issue CADIR NAME CN EXTENSIONS [openssl ca date options...]
issue() {
    cadir=$1 name=$2 cn=$3 ext=$4
    shift 4
    key "$name.key"
    openssl req -new -key "$name.key" -subj "/CN=$cn" -out "$name.csr" 2>/dev/null
    openssl ca -batch -notext -config "$cadir/ca.cnf" -extensions "$ext" -in "$name.csr" \
        -out "$name.pem" "$@" 2>/dev/null
    rm -f "$name.csr"
}

ca_db ca "qx test CA"
ca_db other "qx other CA"
cp ca/ca.pem ca.pem
cp ca/ca.key ca.key
cp other/ca.pem other-ca.pem

issue ca station "qx station" station -days 20
issue ca station-expired "qx station expired" station \
    -startdate 20200101000000Z -enddate 20210101000000Z
issue ca master "qx master" master -days 365
issue ca master2 "qx master two" master -days 365
issue ca master-expired "qx master expired" master \
    -startdate 20200101000000Z -enddate 20210101000000Z
issue ca master-future "qx master future" master \
    -startdate 20400101000000Z -enddate 20410101000000Z
issue ca master-revoked "qx master revoked" master -days 365
issue other master-other "qx master other" master -days 365
cat station.pem ca.pem > station-chain.pem

openssl ca -batch -config ca/ca.cnf -revoke master-revoked.pem -crl_reason keyCompromise 2>/dev/null
openssl ca -batch -config ca/ca.cnf -gencrl -out crl.pem 2>/dev/null

rm -rf ca other
date > ready
cd ..
rm -rf "$dir"
mv "$scratch" "$dir"
