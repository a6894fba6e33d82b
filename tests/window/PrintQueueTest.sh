#!/usr/bin/env bash
# Prints the chart into a real CUPS queue. Starts a private cupsd with its own
# configuration, spool, cache, state and log folders in a temporary folder,
# reached only through its own local socket (CUPS_SERVER), so that the
# machine's printing system is neither used nor changed. Runs the test binary
# once while that cupsd has no printer, then again with a cups-pdf printer as
# its default one. The cupsd is stopped and its folder removed at the end.
# Usage: PrintQueueTest.sh TESTBINARY OUTDIR
# Exits 77 (skipped) when cupsd, the cups-pdf backend or poppler's tools are
# missing, or when not run as root (cupsd runs the cups-pdf backend only as root).
set -euo pipefail
binary=$1
out=$2
export PATH="$PATH:/usr/sbin:/sbin"
skip() { echo "skipped: $*"; exit 77; }
for tool in cupsd lpadmin lpstat cupsreject cupsaccept pdfinfo pdftoppm; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
[ -e /usr/lib/cups/backend/cups-pdf ] || skip "the cups-pdf backend is not installed"
[ -e /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd ] || skip "the cups-pdf printer description is not installed"
[ "$(id -u)" = 0 ] || skip "the cups-pdf backend runs only under a cupsd started as root"

# Where cups-pdf writes: its configuration's Out folder (${HOME}/PDF unless
# changed), with ${HOME} and ${USER} of the user who prints.
user=$(id -un)
home=$(getent passwd "$user" | cut -d: -f6)
pdf_out=$(sed -n 's/^[[:space:]]*Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf 2>/dev/null | tail -n1)
pdf_out=${pdf_out:-'${HOME}/PDF'}
pdf_out=${pdf_out//'${HOME}'/$home}
pdf_out=${pdf_out//'${USER}'/$user}

mkdir -p "$out"
root=$(mktemp -d /tmp/quillmont-cups.XXXXXX)
cupsd_pid=
cleanup() {
  if [ -n "$cupsd_pid" ]; then
    kill "$cupsd_pid" 2>/dev/null || true
    wait "$cupsd_pid" 2>/dev/null || true
  fi
  cp -r "$root/log" "$out/" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT

# The filters run as the lp user: they must reach the spool.
chmod 755 "$root"
mkdir -p "$root/spool/tmp" "$root/cache" "$root/state" "$root/log" "$root/ppd"
chgrp lp "$root/spool" "$root/spool/tmp" 2>/dev/null || true
chmod 0710 "$root/spool"
chmod 1770 "$root/spool/tmp"
cat >"$root/cups-files.conf" <<CONF
ServerRoot $root
RequestRoot $root/spool
TempDir $root/spool/tmp
CacheDir $root/cache
StateDir $root/state
ErrorLog $root/log/error_log
AccessLog $root/log/access_log
PageLog $root/log/page_log
CONF
cat >"$root/cupsd.conf" <<CONF
Listen $root/cups.sock
Browsing No
LogLevel info
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
CONF

cupsd -f -c "$root/cupsd.conf" -s "$root/cups-files.conf" >"$root/log/cupsd.out" 2>&1 &
cupsd_pid=$!
export CUPS_SERVER="$root/cups.sock"
for _ in $(seq 200); do lpstat -r >/dev/null 2>&1 && break; sleep 0.05; done
lpstat -r >/dev/null 2>&1 || { echo "the private cupsd did not start"; cat "$root/log/cupsd.out"; exit 1; }

echo "== no printer"
QM_PRINT_QUEUE=none "$binary" --gtest_filter='ChartPrintQueue.WithoutAPrinter*'

echo "== cups-pdf printer (files in $pdf_out)"
queue=QuillmontTestPDF
lpadmin -p "$queue" -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
lpadmin -d "$queue"
QM_PRINT_QUEUE=$queue QM_PRINT_QUEUE_OUTPUT="$pdf_out" "$binary" --gtest_filter='ChartPrintQueue.OnePage*:ChartPrintQueue.AQueue*:ChartPrintQueue.PrinterSetup*'
