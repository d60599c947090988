#!/bin/bash
# loopback_proxy.sh WORK PORT USER PASSWORD_HASH
# Debian's squid as an HTTP proxy on 127.0.0.1:PORT that asks every request
# for a Basic login (USER, and the password whose "openssl passwd -apr1" hash
# is given, checked by squid's own basic_ncsa_auth helper). It caches nothing.
# Writes WORK/ready once the port answers and runs until WORK holds "stop" or
# is gone (or, should a crashed test leave it behind, for ten minutes at
# most); squid's log goes to WORK/squid.log.
#
# Its own files live in a folder of its own that squid's user may read:
# started as root, squid runs as the user "proxy", which may not enter the
# test's private folders.
set -u
work=$1 port=$2 user=$3 hash=$4
own=$(mktemp -d /tmp/ostrel-proxy-XXXXXX)
trap 'rm -rf "$own"' EXIT
chmod 755 "$own"
printf '%s:%s\n' "$user" "$hash" >"$own/passwd"
cat >"$own/squid.conf" <<CONF
http_port 127.0.0.1:$port
visible_hostname ostrel-test-proxy
pid_filename none
cache_log /dev/stderr
access_log none
cache_store_log none
cache deny all
cache_mem 1 MB
coredump_dir none
pinger_enable off
icp_port 0
htcp_port 0
shutdown_lifetime 0 seconds
auth_param basic program /usr/lib/squid/basic_ncsa_auth $own/passwd
auth_param basic children 1 startup=1 idle=1
auth_param basic realm Ostrel test proxy
acl login proxy_auth REQUIRED
http_access allow login
http_access deny all
CONF
chmod 644 "$own/passwd" "$own/squid.conf"
squid -N -f "$own/squid.conf" -n "ostrel$$" 2>"$work/squid.log" &
squid=$!
for _ in $(seq 600); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
    : >"$work/ready"
    break
  fi
  kill -0 $squid 2>/dev/null || break
  sleep 0.05
done
while [ -d "$work" ] && [ ! -e "$work/stop" ] && [ $SECONDS -lt 600 ] &&
  kill -0 $squid 2>/dev/null; do
  sleep 0.05
done
kill -INT $squid 2>/dev/null
wait $squid
[ -d "$work" ] && : >"$work/stopped"
