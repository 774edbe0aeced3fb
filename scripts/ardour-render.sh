#!/usr/bin/env bash
# Renders a WAV through the Kaleidra VST3 inside Ardour 7 (Debian's ardour package), headless:
# a fresh session with one audio track holding the WAV and the plug-in on that track, the "None
# (Dummy)" audio backend at 48 kHz and the given block size, then N exports of the unchanged
# session from one Ardour process (like pressing export N times), and a summary comparing them.
#
#   bash scripts/ardour-render.sh [options] INPUT.wav OUTDIR
#   bash scripts/ardour-render.sh --make-test-input FILE.wav
#
# Options:
#   --vst3 PATH        VST3 bundle (default build/plugin/VST3/Kaleidra_v1-1.vst3 under the repo);
#                      it is copied once, at the start, into a private folder
#   --input FILE       input WAV (48000 Hz, mono or stereo, PCM 16/24/32-bit or float)
#   --out DIR          output folder (export-01.wav ..., summary.txt, ardour-*.log)
#   --block N          host block size in samples (default 1024)
#   --exports N        number of exports (default 9)
#   --lead N           samples of silence before the audio (default 0)
#   --set "NAME=VALUE" plug-in parameter, repeatable. VALUE is in the plug-in's own units
#                      (Mode: Series|Parallel|0|1, Tone 0-100, N Segs 2-91, Seg Size 1-48,
#                      Seg Mix 0-120), or "@x" for the host's normalised value x in [0, 1]
#   --no-plugin        same session and exports without the plug-in (checks Ardour itself)
#   --no-fades         switch off the region's default 64-sample fade-in/out
#   --attempts N       Ardour runs to try before giving up (default 40, see below)
#   --keep             keep the temporary folder (session, logs) and print its path
#
# Ardour 7.3's headless Lua host (ardour7-lua) corrupts its heap now and then while it exports
# repeatedly (it happens without the plug-in too), so one Ardour process may crash part-way. The
# script then starts a new attempt from the pristine session, and keeps only an attempt in which
# all N exports finished; the summary says how many attempts it took.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

die() { echo "ardour-render: error: $*" >&2; exit 1; }
note() { echo "ardour-render: $*" >&2; }

VST3="$ROOT/build/plugin/VST3/Kaleidra_v1-1.vst3"
INPUT=""
OUT=""
BLOCK=1024
EXPORTS=9
LEAD=0
ATTEMPTS=40
NO_PLUGIN=0
NO_FADES=0
KEEP=0
MAKE_TEST=""
SETS=()
POSITIONAL=()

need_arg() { [ "$#" -ge 2 ] || die "$1 needs a value"; }
while [ "$#" -gt 0 ]; do
    case "$1" in
        --vst3) need_arg "$@"; VST3="$2"; shift 2 ;;
        --input) need_arg "$@"; INPUT="$2"; shift 2 ;;
        --out) need_arg "$@"; OUT="$2"; shift 2 ;;
        --block) need_arg "$@"; BLOCK="$2"; shift 2 ;;
        --exports) need_arg "$@"; EXPORTS="$2"; shift 2 ;;
        --lead) need_arg "$@"; LEAD="$2"; shift 2 ;;
        --set) need_arg "$@"; SETS+=("$2"); shift 2 ;;
        --attempts) need_arg "$@"; ATTEMPTS="$2"; shift 2 ;;
        --no-plugin) NO_PLUGIN=1; shift ;;
        --no-fades) NO_FADES=1; shift ;;
        --keep) KEEP=1; shift ;;
        --make-test-input) need_arg "$@"; MAKE_TEST="$2"; shift 2 ;;
        -h|--help) sed -n '2,30p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 0 ;;
        --) shift; POSITIONAL+=("$@"); break ;;
        -*) die "unknown option $1 (see --help)" ;;
        *) POSITIONAL+=("$1"); shift ;;
    esac
done
if [ -z "$INPUT" ] && [ "${#POSITIONAL[@]}" -ge 1 ]; then INPUT="${POSITIONAL[0]}"; fi
if [ -z "$OUT" ] && [ "${#POSITIONAL[@]}" -ge 2 ]; then OUT="${POSITIONAL[1]}"; fi
[ "${#POSITIONAL[@]}" -le 2 ] || die "too many arguments: ${POSITIONAL[*]}"

is_uint() { [[ "$1" =~ ^[0-9]+$ ]]; }
is_uint "$BLOCK" && [ "$BLOCK" -ge 8 ] || die "--block must be a whole number >= 8 (got '$BLOCK')"
is_uint "$EXPORTS" && [ "$EXPORTS" -ge 1 ] || die "--exports must be >= 1 (got '$EXPORTS')"
is_uint "$LEAD" || die "--lead must be a whole number of samples (got '$LEAD')"
is_uint "$ATTEMPTS" && [ "$ATTEMPTS" -ge 1 ] || die "--attempts must be >= 1 (got '$ATTEMPTS')"

# ---------------------------------------------------------------------------------------------
# Installation (only missing Debian packages are installed).
PKGS=(ardour)
command -v python3 >/dev/null 2>&1 || PKGS+=(python3)
bash "$ROOT/scripts/setup.sh" "${PKGS[@]}" >&2 || die "scripts/setup.sh ${PKGS[*]} failed"
command -v ardour7-lua >/dev/null 2>&1 || die "ardour7-lua not found after installing ardour"
SCANNER=/usr/lib/ardour7/ardour-vst3-scanner
[ -x "$SCANNER" ] || die "$SCANNER not found (is the ardour package complete?)"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/ardour-render.XXXXXX")"
cleanup() {
    if [ "$KEEP" = 1 ]; then note "kept $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

# ---------------------------------------------------------------------------------------------
# Python helper: WAV reading/writing, session file edits, parameter values, the summary.
cat > "$WORK/helper.py" <<'PYEOF'
import array, hashlib, math, os, random, re, struct, sys
import xml.etree.ElementTree as ET

def fail(msg):
    sys.stderr.write("ardour-render: error: %s\n" % msg)
    sys.exit(1)

def riff_chunks(data, path):
    if len(data) < 12 or data[0:4] != b"RIFF" or data[8:12] != b"WAVE":
        fail("%s is not a RIFF/WAVE file" % path)
    pos, out = 12, {}
    while pos + 8 <= len(data):
        cid = data[pos:pos + 4]
        size = struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        out.setdefault(cid, (pos + 8, body))
        pos += 8 + size + (size & 1)
    return out

def read_wav(path):
    """Returns (rate, channels, [per-channel float lists], description)."""
    try:
        data = open(path, "rb").read()
    except OSError as e:
        fail("cannot read %s: %s" % (path, e))
    ch = riff_chunks(data, path)
    if b"fmt " not in ch or b"data" not in ch:
        fail("%s has no fmt or data chunk" % path)
    fmt = ch[b"fmt "][1]
    tag, nch, rate, _, align, bits = struct.unpack("<HHIIHH", fmt[:16])
    if tag == 0xFFFE and len(fmt) >= 26:
        tag = struct.unpack("<H", fmt[24:26])[0]
    body = ch[b"data"][1]
    width = bits // 8
    if nch < 1 or width < 1 or align != nch * width:
        fail("%s: unsupported layout (%d channels, %d bits)" % (path, nch, bits))
    frames = len(body) // align
    body = body[:frames * align]
    if tag == 3 and bits == 32:
        a = array.array("f"); a.frombytes(body); vals = a.tolist(); kind = "32-bit float"
    elif tag == 3 and bits == 64:
        a = array.array("d"); a.frombytes(body); vals = a.tolist(); kind = "64-bit float"
    elif tag == 1 and bits == 16:
        a = array.array("h"); a.frombytes(body); vals = [v / 32768.0 for v in a]; kind = "16-bit PCM"
    elif tag == 1 and bits == 32:
        a = array.array("i"); a.frombytes(body); vals = [v / 2147483648.0 for v in a]; kind = "32-bit PCM"
    elif tag == 1 and bits == 24:
        vals = [int.from_bytes(body[o:o + 3], "little", signed=True) / 8388608.0
                for o in range(0, len(body), 3)]
        kind = "24-bit PCM"
    elif tag == 1 and bits == 8:
        vals = [(b - 128) / 128.0 for b in body]; kind = "8-bit PCM"
    else:
        fail("%s: unsupported sample format (tag %d, %d bits)" % (path, tag, bits))
    chans = [vals[c::nch] for c in range(nch)]
    return rate, nch, chans, "%d ch, %d Hz, %s, %d frames" % (nch, rate, kind, frames)

def write_float_wav(path, rate, chans):
    nch, n = len(chans), len(chans[0])
    inter = array.array("f", [0.0]) * (n * nch)
    for c in range(nch):
        inter[c::nch] = array.array("f", chans[c])
    raw = inter.tobytes()
    fmt = struct.pack("<HHIIHH", 3, nch, rate, rate * 4 * nch, 4 * nch, 32)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + 16 + 8 + len(raw)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", 16) + fmt)
        f.write(b"data" + struct.pack("<I", len(raw)) + raw)

def cmd_make_test_input(path):
    # 6 s, stereo, 48 kHz, 24-bit: 0.5 s tone segments (220 Hz ... 12 kHz) alternating with
    # noise bursts, tones at -12 dBFS peak, noise about -10.5 dBFS peak.
    sr, n, rnd = 48000, 6 * 48000, random.Random(1234)
    amp = 10 ** (-12 / 20.0)
    out = bytearray()
    clip = lambda x: max(-8388608, min(8388607, int(round(x * 8388607))))
    for i in range(n):
        t = i / sr
        seg = int(t / 0.5)
        if seg % 2 == 0:
            f = [220, 440, 1000, 3000, 7000, 12000][(seg // 2) % 6]
            l = amp * math.sin(2 * math.pi * f * t)
            r = amp * math.sin(2 * math.pi * f * 1.01 * t + 0.3)
        else:
            env = 1.0 if (t % 0.5) < 0.35 else 0.0
            l = amp * env * rnd.uniform(-1, 1) * 1.2
            r = amp * env * rnd.uniform(-1, 1) * 1.2
        out += struct.pack("<i", clip(l))[:3] + struct.pack("<i", clip(r))[:3]
    fmt = struct.pack("<HHIIHH", 1, 2, sr, sr * 6, 6, 24)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + 16 + 8 + len(out)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(out)) + out)
    print("wrote %s (6 s, stereo, 48000 Hz, 24-bit)" % path)

def cmd_inspect(path):
    rate, nch, chans, desc = read_wav(path)
    if rate != 48000:
        fail("%s is %d Hz; the session runs at 48000 Hz (resample it first)" % (path, rate))
    if nch not in (1, 2):
        fail("%s has %d channels; use a mono or stereo file" % (path, nch))
    if len(chans[0]) == 0:
        fail("%s holds no audio" % path)
    print("%d %d %s" % (nch, len(chans[0]), desc.replace(" ", "_")))

def lua_str(s):
    return '"' + "".join(c if c not in '"\\\n\r' else "\\" + {"\n": "n", "\r": "r"}.get(c, c) for c in s) + '"'

# The plug-in's parameter ranges in its own units (all linear in the host's normalised value).
RANGES = {"Tone": (0.0, 100.0), "N Segs": (2.0, 91.0), "Seg Size": (1.0, 48.0), "Seg Mix": (0.0, 120.0)}

def cmd_params(out_path, *sets):
    entries = []
    for s in sets:
        if "=" not in s:
            fail("--set wants NAME=VALUE, got %r" % s)
        name, value = [x.strip() for x in s.split("=", 1)]
        if value.startswith("@"):
            try:
                norm = float(value[1:])
            except ValueError:
                fail("--set %s: %r is not a number" % (name, value[1:]))
        elif name == "Mode":
            table = {"series": 0.0, "parallel": 1.0, "0": 0.0, "1": 1.0}
            if value.lower() not in table:
                fail("--set Mode=%s: use Series, Parallel, 0 or 1" % value)
            norm = table[value.lower()]
        else:
            base = re.sub(r"^[0-9]+- ", "", name)
            if base not in RANGES:
                fail("--set %s: no known range for this name; give the normalised value as %s=@x"
                     % (name, name))
            try:
                v = float(value)
            except ValueError:
                fail("--set %s: %r is not a number" % (name, value))
            lo, hi = RANGES[base]
            if not lo <= v <= hi:
                fail("--set %s=%s is outside %g..%g" % (name, value, lo, hi))
            norm = (v - lo) / (hi - lo)
        if not 0.0 <= norm <= 1.0:
            fail("--set %s: normalised value %g is outside 0..1" % (name, norm))
        entries.append((name, value, norm))
    with open(out_path, "w") as f:
        f.write("PARAMS = {\n")
        for name, value, norm in entries:
            f.write("  { name = %s, given = %s, value = %.17g },\n" % (lua_str(name), lua_str(value), norm))
        f.write("}\n")

def cmd_write_config(out_path, *kv):
    with open(out_path, "a") as f:
        for item in kv:
            k, v = item.split("=", 1)
            if re.fullmatch(r"-?[0-9]+", v):
                f.write("%s = %s\n" % (k, v))
            else:
                f.write("%s = %s\n" % (k, lua_str(v)))

def cmd_fill_session(sess_dir, sess_name, wav, lead, total):
    lead, total = int(lead), int(total)
    rate, nch, chans, _ = read_wav(wav)
    path = os.path.join(sess_dir, sess_name + ".ardour")
    tree = ET.parse(path)
    root = tree.getroot()
    sources = {s.get("id"): s.get("name") for s in root.iter("Source")}
    pl_regions = [r for pl in root.iter("Playlist") for r in pl.iter("Region")]
    if len(pl_regions) != 1:
        fail("expected one region on the track's playlist, found %d" % len(pl_regions))
    reg = pl_regions[0]
    ids = [reg.get("source-%d" % c) for c in range(nch)]
    if None in ids or any(i not in sources for i in ids):
        fail("region sources not found in the session file")
    dirs = [d for d in (os.path.join(sess_dir, "interchange", x, "audiofiles")
                        for x in sorted(os.listdir(os.path.join(sess_dir, "interchange"))))
            if os.path.isdir(d)]
    if len(dirs) != 1:
        fail("expected one interchange/*/audiofiles folder in the session, found %d" % len(dirs))
    audiodir = dirs[0]
    for c, sid in enumerate(ids):
        f = os.path.join(audiodir, sources[sid])
        r2, n2, old, _ = read_wav(f)
        if n2 != 1 or len(old[0]) != len(chans[c]):
            fail("source file %s has %d frames, expected %d" % (f, len(old[0]), len(chans[c])))
        write_float_wav(f, rate, [chans[c]])
    # The range marker the build step added becomes the session range (start..end).
    locs = [l for l in root.iter("Location") if "IsRangeMarker" in (l.get("flags") or "")]
    if len(locs) != 1:
        fail("expected one range marker in the session file, found %d" % len(locs))
    locs[0].set("name", "session")
    locs[0].set("flags", "IsSessionRange")
    tree.write(path, encoding="UTF-8", xml_declaration=True)
    peaks = os.path.join(sess_dir, "peaks")
    for p in os.listdir(peaks):
        os.remove(os.path.join(peaks, p))

def read_export(path):
    data = open(path, "rb").read()
    ch = riff_chunks(data, path)
    fmt = ch[b"fmt "][1]
    tag, nch, rate, _, align, bits = struct.unpack("<HHIIHH", fmt[:16])
    if tag == 0xFFFE and len(fmt) >= 26:
        tag = struct.unpack("<H", fmt[24:26])[0]
    if tag != 3 or bits != 32:
        fail("%s: expected a 32-bit float WAV (tag %d, %d bits)" % (path, tag, bits))
    body = ch[b"data"][1]
    a = array.array("f"); a.frombytes(body[:len(body) // 4 * 4])
    return data, body, nch, rate, a

def cmd_check_exports(out_dir, count, frames):
    count, frames = int(count), int(frames)
    for i in range(1, count + 1):
        p = os.path.join(out_dir, "export-%02d.wav" % i)
        if not os.path.isfile(p):
            print("missing %s" % os.path.basename(p)); sys.exit(1)
        try:
            _, _, nch, _, a = read_export(p)
        except SystemExit:
            print("unreadable %s" % os.path.basename(p)); sys.exit(1)
        if nch == 0 or len(a) // nch != frames:
            print("%s has %d frames, expected %d" % (os.path.basename(p), len(a) // max(nch, 1), frames))
            sys.exit(1)
    print("ok")

def db(x):
    return "-inf" if x <= 0 else "%.2f" % (20 * math.log10(x))

def cmd_summary(out_dir, count):
    count = int(count)
    files = [os.path.join(out_dir, "export-%02d.wav" % i) for i in range(1, count + 1)]
    rows, ref = [], None
    for p in files:
        data, body, nch, rate, a = read_export(p)
        fh = hashlib.sha256(data).hexdigest()
        ah = hashlib.sha256(body).hexdigest()
        if ref is None:
            ref = a
            ssq = math.fsum(x * x for x in a)
            rms_first = math.sqrt(ssq / len(a)) if a else 0.0
            peak_first = max((abs(x) for x in a), default=0.0)
        n = min(len(a), len(ref))
        mx, ssq, ndiff = 0.0, 0.0, 0
        for x, y in zip(a, ref):
            d = x - y
            if d:
                ndiff += 1
                ad = abs(d)
                if ad > mx:
                    mx = ad
                ssq += d * d
        rms = math.sqrt(ssq / n) if n else 0.0
        if len(a) != len(ref):
            ndiff += abs(len(a) - len(ref))
        rows.append((os.path.basename(p), fh, ah, len(a) // nch, nch, mx, rms, ndiff))
    print("export         frames  ch  sha256(file)                                                      sha256(audio data)                                                max|diff| vs 01   RMS(diff) vs 01   samples differing")
    for name, fh, ah, fr, nch, mx, rms, nd in rows:
        print("%-12s %8d  %2d  %s  %s  %-16.9g  %-16.9g  %d" % (name, fr, nch, fh, ah, mx, rms, nd))
    print("distinct files (sha256 of the whole file): %d of %d" % (len({r[1] for r in rows}), len(rows)))
    print("distinct audio (sha256 of the data chunk): %d of %d" % (len({r[2] for r in rows}), len(rows)))
    worst = max(rows, key=lambda r: r[5])
    print("largest difference from export-01: %s, max|diff| %.9g (%s dBFS), RMS(diff) %.9g (%s dBFS)"
          % (worst[0], worst[5], db(worst[5]), worst[6], db(worst[6])))
    print("export-01: RMS %.9g (%s dBFS), peak %.9g (%s dBFS)" % (rms_first, db(rms_first), peak_first, db(peak_first)))

def main():
    cmd, args = sys.argv[1], sys.argv[2:]
    {"make-test-input": cmd_make_test_input, "inspect": cmd_inspect, "params": cmd_params,
     "config": cmd_write_config, "fill-session": cmd_fill_session,
     "check-exports": cmd_check_exports, "summary": cmd_summary}[cmd](*args)

main()
PYEOF

if [ -n "$MAKE_TEST" ]; then
    python3 "$WORK/helper.py" make-test-input "$MAKE_TEST"
    exit 0
fi

[ -n "$INPUT" ] || die "no input WAV given (see --help)"
[ -n "$OUT" ] || die "no output folder given (see --help)"
[ -f "$INPUT" ] || die "input $INPUT not found"
INPUT="$(cd "$(dirname "$INPUT")" && pwd)/$(basename "$INPUT")"
mkdir -p "$OUT" || die "cannot create $OUT"
OUT="$(cd "$OUT" && pwd)"
rm -f "$OUT"/export-[0-9][0-9].wav

T_START=$(date +%s%N)

# ---------------------------------------------------------------------------------------------
# Private HOME/XDG folders, so nothing touches the user's own Ardour configuration.
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR/.config/ardour7/export" "$HOME_DIR/.cache" "$HOME_DIR/.local/share" "$HOME_DIR/.vst3"
AENV=(env -u DISPLAY -u VST3_PATH HOME="$HOME_DIR" XDG_CONFIG_HOME="$HOME_DIR/.config" XDG_CACHE_HOME="$HOME_DIR/.cache"
      XDG_DATA_HOME="$HOME_DIR/.local/share" XDG_RUNTIME_DIR="$WORK")

PLUGIN_UID=""
PLUGIN_NAME=""
if [ "$NO_PLUGIN" = 0 ]; then
    [ -d "$VST3" ] || die "VST3 bundle $VST3 not found (build it, or pass --vst3 PATH)"
    ls "$VST3"/Contents/x86_64-linux/*.so >/dev/null 2>&1 || die "$VST3 has no Contents/x86_64-linux/*.so"
    BUNDLE="$HOME_DIR/.vst3/$(basename "$VST3")"
    cp -a "$VST3" "$BUNDLE"   # one copy, now; a rebuild of the original later does not matter
    note "plug-in copied: $(sha256sum "$BUNDLE"/Contents/x86_64-linux/*.so | cut -c1-16)... $(basename "$VST3")"
    # Ardour only lists VST3 plug-ins its scanner has indexed; index the private copy.
    "${AENV[@]}" LD_LIBRARY_PATH=/usr/lib/ardour7 "$SCANNER" -f -q "$BUNDLE" > "$WORK/scan.log" 2>&1 \
        || { cat "$WORK/scan.log" >&2; die "Ardour's VST3 scanner failed on $BUNDLE"; }
    CACHE="$(ls "$HOME_DIR"/.cache/ardour7/vst/*.v3i 2>/dev/null | head -1 || true)"
    [ -n "$CACHE" ] || { cat "$WORK/scan.log" >&2; die "Ardour's VST3 scanner indexed nothing in $BUNDLE"; }
    PLUGIN_UID="$(sed -n 's/.*<VST3Info uid="\([^"]*\)".*/\1/p' "$CACHE" | head -1)"
    PLUGIN_NAME="$(sed -n 's/.*<VST3Info [^>]*name="\([^"]*\)".*/\1/p' "$CACHE" | head -1)"
    [ -n "$PLUGIN_UID" ] || die "no VST3 effect class found in $BUNDLE (see $CACHE)"
    note "plug-in indexed by Ardour: '$PLUGIN_NAME' uid $PLUGIN_UID"
fi

read -r NCH FRAMES DESC < <(python3 "$WORK/helper.py" inspect "$INPUT") || die "cannot use $INPUT"
TOTAL=$((LEAD + FRAMES))
note "input: $INPUT (${DESC//_/ }), lead $LEAD, export range 0..$TOTAL"

# Export format: 32-bit float WAV at the session rate, no dither, no normalising, no BWF chunk.
cat > "$HOME_DIR/.config/ardour7/export/kaleidra-render.format" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<ExportFormatSpecification name="Kaleidra render float" id="6b1f3c2e-4d8a-4f0e-9a51-2c7d9e0b1a01" with-cue="false" with-toc="false" with-mp4chaps="false" command="" analyse="false" soundcloud-upload="false">
  <Encoding id="F_WAV" type="T_Sndfile" extension="wav" name="WAV" has-sample-format="true" channel-limit="256"/>
  <SampleRate rate="SR_Session"/>
  <SRCQuality quality="SRC_SincBest"/>
  <EncodingOptions>
    <Option name="sample-format" value="SF_Float"/>
    <Option name="dithering" value="D_None"/>
    <Option name="tag-metadata" value="false"/>
    <Option name="tag-support" value="false"/>
    <Option name="broadcast-info" value="false"/>
  </EncodingOptions>
  <Processing>
    <Normalize enabled="false" loudness="no" dbfs="0" lufs="-23" dbtp="-1"/>
    <Silence>
      <Start>
        <Trim enabled="false"/>
        <Add enabled="false">
          <Duration format="Timecode" hours="0" minutes="0" seconds="0" frames="0"/>
        </Add>
      </Start>
      <End>
        <Trim enabled="false"/>
        <Add enabled="false">
          <Duration format="Timecode" hours="0" minutes="0" seconds="0" frames="0"/>
        </Add>
      </End>
    </Silence>
  </Processing>
</ExportFormatSpecification>
EOF
cat > "$HOME_DIR/.config/ardour7/export/kaleidra-render.preset" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<ExportPreset id="6b1f3c2e-4d8a-4f0e-9a51-2c7d9e0b1a02" name="Kaleidra render">
  <ExportFormat id="6b1f3c2e-4d8a-4f0e-9a51-2c7d9e0b1a01"/>
  <ExportFilename>
    <Folder relative="1" path="export"/>
    <Field name="label" enabled="0"/>
    <Field name="session" enabled="0"/>
    <Field name="snapshot" enabled="0"/>
    <Field name="timespan" enabled="1"/>
    <Field name="revision" enabled="0"/>
    <Field name="time" enabled="0" value="T_None"/>
    <Field name="date" enabled="0" value="D_None"/>
  </ExportFilename>
</ExportPreset>
EOF

# ---------------------------------------------------------------------------------------------
# Lua scripts for ardour7-lua (luasession).
SESS_NAME="kaleidra-render"
SESS_DIR="$WORK/$SESS_NAME"
CONFIG="$WORK/config.lua"
python3 "$WORK/helper.py" params "$CONFIG" ${SETS[@]+"${SETS[@]}"}
python3 "$WORK/helper.py" config "$CONFIG" "SESS_DIR=$SESS_DIR" "SESS_NAME=$SESS_NAME" \
    "BLOCK=$BLOCK" "NCH=$NCH" "FRAMES=$FRAMES" "LEAD=$LEAD" "TOTAL=$TOTAL" "EXPORTS=$EXPORTS" \
    "NO_FADES=$NO_FADES" "PLUGIN_UID=$PLUGIN_UID" "EXPORT_DIR=$WORK/exports" \
    "PRESET=6b1f3c2e-4d8a-4f0e-9a51-2c7d9e0b1a02"

cat > "$WORK/common.lua" <<'EOF'
function log (...)
  local t = {}
  for _, v in ipairs ({...}) do t[#t + 1] = tostring (v) end
  io.stdout:write ("KR: " .. table.concat (t, " ") .. "\n")
  io.stdout:flush ()
end
function die (msg) log ("FAILED", msg) io.stdout:flush () os.exit (3) end

function start_engine ()
  local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
  if backend:isnil () then die ("no 'None (Dummy)' audio backend") end
  backend:set_device_name ("Silence")
  if backend:set_sample_rate (48000) ~= 0 then die ("Dummy backend refused 48000 Hz") end
  if backend:set_buffer_size (BLOCK) ~= 0 then die ("Dummy backend refused block size " .. BLOCK) end
  if AudioEngine:start (false) ~= 0 then die ("audio engine did not start") end
  if backend:buffer_size () ~= BLOCK or backend:sample_rate () ~= 48000 then
    die ("engine runs at " .. backend:sample_rate () .. " Hz / " .. backend:buffer_size () .. " samples")
  end
  log ("engine", AudioEngine:current_backend_name (), backend:sample_rate (), "Hz, block", backend:buffer_size ())
end
EOF

cat > "$WORK/build.lua" <<'EOF'
-- Fresh session: one audio track, a region of the input's length on it at LEAD, a range marker
-- over 0..TOTAL (made the session range afterwards).
start_engine ()
if not create_session (SESS_DIR, SESS_NAME, 48000) then die ("could not create the session") end
local tl = Session:new_audio_track (NCH, 2, nil, 1, "Kaleidra", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
if tl:size () ~= 1 then die ("could not add the audio track") end
local tr = tl:front ()
tr:input ():disconnect_all (nil)
-- Ardour writes the track's sources itself (native float WAV, one file per channel); the
-- audio of the input goes into them afterwards.
local reg = tr:bounce_range (0, FRAMES, ARDOUR.InterThreadInfo (), tr:main_outs (), false, "input")
if reg:isnil () or reg:length ():samples () ~= FRAMES then die ("could not create the track's sources") end
local pl = tr:playlist ()
pl:add_region (reg, Temporal.timepos_t (LEAD), 1, false, 0, 0, false)
if pl:n_regions () ~= 1 then die ("region not on the playlist") end
if NO_FADES == 1 then
  for r in pl:region_list ():iter () do
    local ar = r:to_audioregion ()
    ar:set_fade_in_active (false)
    ar:set_fade_out_active (false)
  end
end
Session:locations ():add_range (Temporal.timepos_t (0), Temporal.timepos_t (TOTAL))
Session:save_state ("", false, false, false, false, false)
log ("session built", SESS_DIR, "block", Session:get_block_size ())
reg = nil pl = nil tr = nil tl = nil
collectgarbage ()
close_session ()
log ("BUILD-DONE")
EOF

cat > "$WORK/render.lua" <<'EOF'
start_engine ()
if not load_session (SESS_DIR, SESS_NAME) then die ("could not load the session") end
log ("session loaded, block", Session:get_block_size (), "rate", Session:nominal_sample_rate ())
if Session:get_block_size () ~= BLOCK then die ("session block size is " .. Session:get_block_size ()) end
local tr = Session:route_by_name ("Kaleidra")
if tr:isnil () then die ("track not found") end

if PLUGIN_UID ~= "" then
  local proc = ARDOUR.LuaAPI.new_plugin (Session, PLUGIN_UID, ARDOUR.PluginType.VST3, "")
  if proc:isnil () then die ("Ardour could not instantiate the VST3 " .. PLUGIN_UID) end
  if tr:add_processor_by_index (proc, 0, nil, true) ~= 0 then die ("could not insert the plug-in") end
  local pi = proc:to_insert ()
  local plug = pi:plugin (0)
  log ("plugin", plug:name (), "on track", tr:name ())
  -- control-parameter index by label
  local index, labels, n = {}, {}, 0
  for j = 0, plug:parameter_count () - 1 do
    if plug:parameter_is_control (j) then
      if plug:parameter_is_input (j) then
        index[plug:parameter_label (j)] = n
        labels[#labels + 1] = plug:parameter_label (j)
      end
      n = n + 1
    end
  end
  for _, p in ipairs (PARAMS) do
    local k = index[p.name]
    if k == nil then die ("no parameter '" .. p.name .. "'; the plug-in has: " .. table.concat (labels, ", ")) end
    if not ARDOUR.LuaAPI.set_processor_param (proc, k, p.value) then die ("could not set " .. p.name) end
  end
  for _, l in ipairs (labels) do
    log ("param", string.format ("%-14s %.6f", l, ARDOUR.LuaAPI.get_processor_param (proc, index[l], true)))
  end
  for _, p in ipairs (PARAMS) do
    log ("set", p.name, "=", p.given, "-> normalised", string.format ("%.6f", p.value))
  end
  LATENT = proc:to_latent ()
  proc = nil pi = nil plug = nil
end
Session:save_state ("", false, false, false, false, false)
ARDOUR.LuaAPI.usleep (500000)
if LATENT then
  log ("LATENCY plugin", LATENT:effective_latency (), "track", tr:playback_latency (false))
else
  log ("LATENCY none (no plug-in)")
end
LATENT = nil tr = nil
collectgarbage ()

local keep = {}
for i = 1, EXPORTS do
  local name = string.format ("export-%02d", i)
  local e = Session:simple_export ()
  keep[i] = e   -- an exporter collected during a later export takes Ardour down; keep them all
  if not e:set_preset (PRESET) then die ("export preset not found") end
  e:set_folder (EXPORT_DIR)
  e:set_name (name)
  e:set_range (0, TOTAL)
  local t0 = ARDOUR.LuaAPI.monotonic_time ()
  if not e:run_export () then die ("export " .. i .. " failed") end
  log ("EXPORT", i, string.format ("%.3f s", (ARDOUR.LuaAPI.monotonic_time () - t0) / 1e6))
end
log ("ALL-EXPORTS-DONE")
close_session ()
log ("CLOSED")
EOF

# Each step is a small file that loads the shared settings and helpers first.
step_script() { printf 'dofile ("%s/config.lua")\ndofile ("%s/common.lua")\ndofile ("%s")\n' "$WORK" "$WORK" "$1" > "$2"; }

# ---------------------------------------------------------------------------------------------
# 1. Build the session and put the input's audio into the track's sources.
step_script "$WORK/build.lua" "$WORK/step-build.lua"
set +e
( cd "$WORK" && "${AENV[@]}" ardour7-lua "$WORK/step-build.lua" ) > "$OUT/ardour-build.log" 2>&1
rc=$?
set -e
grep -q '^KR: BUILD-DONE' "$OUT/ardour-build.log" \
    || { grep '^KR:' "$OUT/ardour-build.log" >&2 || tail -20 "$OUT/ardour-build.log" >&2; die "building the session failed (ardour7-lua exit $rc, log $OUT/ardour-build.log)"; }
python3 "$WORK/helper.py" fill-session "$SESS_DIR" "$SESS_NAME" "$INPUT" "$LEAD" "$TOTAL"
cp -a "$SESS_DIR" "$WORK/session.pristine"
T_BUILT=$(date +%s%N)

# ---------------------------------------------------------------------------------------------
# 2. Render: insert the plug-in, save, export EXPORTS times from the same Ardour process.
step_script "$WORK/render.lua" "$WORK/step-render.lua"
attempt=0
ok=0
CRASHES=()
while [ "$attempt" -lt "$ATTEMPTS" ]; do
    attempt=$((attempt + 1))
    rm -rf "$SESS_DIR" "$WORK/exports"
    cp -a "$WORK/session.pristine" "$SESS_DIR"
    mkdir -p "$WORK/exports"
    LOG="$WORK/render-$attempt.log"
    set +e
    ( cd "$WORK" && "${AENV[@]}" ardour7-lua "$WORK/step-render.lua" ) > "$LOG" 2>&1
    rc=$?
    set -e
    if grep -q '^KR: FAILED' "$LOG"; then
        cp "$LOG" "$OUT/ardour-render.log"
        grep '^KR:' "$LOG" >&2
        die "Ardour reported a failure (log $OUT/ardour-render.log)"
    fi
    done_n=$(grep -c '^KR: EXPORT ' "$LOG" || true)
    if grep -q '^KR: ALL-EXPORTS-DONE' "$LOG" \
        && chk=$(python3 "$WORK/helper.py" check-exports "$WORK/exports" "$EXPORTS" "$TOTAL") && [ "$chk" = ok ]; then
        ok=1
        [ "$rc" = 0 ] || CRASHES+=("attempt $attempt: all $EXPORTS exports done, then ardour7-lua exited with $rc while closing")
        break
    fi
    sig=""
    [ "$rc" -gt 128 ] && sig=" (signal $((rc - 128)))"
    CRASHES+=("attempt $attempt: ardour7-lua exited with $rc$sig after $done_n of $EXPORTS exports: $(grep -m1 -E 'free\(\)|corrupt|malloc|munmap|double free' "$LOG" || echo 'no message')")
    note "${CRASHES[-1]}; retrying"
    cp "$LOG" "$OUT/ardour-render-crash-$attempt.log"
done
[ "$ok" = 1 ] || die "no Ardour run finished all $EXPORTS exports in $ATTEMPTS attempts (logs in $OUT)"
cp "$LOG" "$OUT/ardour-render.log"
for i in $(seq -f '%02g' 1 "$EXPORTS"); do mv "$WORK/exports/export-$i.wav" "$OUT/"; done
T_RENDERED=$(date +%s%N)

# ---------------------------------------------------------------------------------------------
# 3. Summary.
{
    echo "Ardour: $(dpkg-query -W -f='${Package} ${Version}' ardour), ardour7-lua (luasession), backend None (Dummy), 48000 Hz, block $BLOCK"
    echo "input: $INPUT (${DESC//_/ }), lead $LEAD samples, exported range 0..$TOTAL"
    if [ "$NO_PLUGIN" = 0 ]; then
        echo "plug-in: $PLUGIN_NAME ($PLUGIN_UID) from $VST3 (private copy)"
        grep '^KR: param ' "$LOG" | sed 's/^KR: param /  /'
        grep '^KR: set ' "$LOG" | sed 's/^KR: set /  --set /' || true
        echo "latency reported by Ardour: $(grep '^KR: LATENCY' "$LOG" | sed 's/^KR: LATENCY //; s/plugin \([0-9]*\) track \([0-9]*\)/plug-in \1 samples, track playback latency \2 samples/')"
    else
        echo "plug-in: none (--no-plugin)"
    fi
    echo "region fades: $([ "$NO_FADES" = 1 ] && echo off || echo "Ardour default (64-sample fade-in/out)")"
    echo "exports: $EXPORTS from one Ardour process (attempt $attempt of at most $ATTEMPTS)"
    for c in ${CRASHES[@]+"${CRASHES[@]}"}; do echo "  $c"; done
    grep '^KR: EXPORT ' "$LOG" | sed 's/^KR: EXPORT /  export /' | tr '\n' ';' | sed 's/;$/\n/; s/;/; /g'
    python3 "$WORK/helper.py" summary "$OUT" "$EXPORTS"
    secs() { printf '%d.%01d' $(($1 / 1000000000)) $((($1 / 100000000) % 10)); }
    echo "time: session build $(secs $((T_BUILT - T_START))) s, Ardour render (all attempts) $(secs $((T_RENDERED - T_BUILT))) s, total $(secs $(($(date +%s%N) - T_START))) s (install excluded)"
} > "$OUT/summary.txt"
cat "$OUT/summary.txt"
