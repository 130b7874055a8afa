# Sourced by the lab's scripts: what the tool, the lab and the scripts that drive them must
# agree on, in one place.

# The tool's top-level window, as xdotool finds it.
BM_WINDOW_TITLE='Lorvane v0.0.8'
# A 1920 x 1080 screen at 96 dpi, so the high-DPI scale factor is 1, reachable only locally.
BM_XVFB_ARGS='-screen 0 1920x1080x24 -dpi 96 -nolisten tcp'

# The "many" host's devices on br1: device i (1 to BM_MANY_MAX) has its own macvlan
# interface mv<i>, address 10.60.1.(39 + i) and MAC 02:00:5f:01:HH:LL with HHLL = i.
BM_MANY_MAX=200
bm_many_ip() { echo "10.60.1.$((39 + $1))"; }
bm_many_mac() { printf '02:00:5f:01:%02x:%02x\n' $(($1 / 256)) $(($1 % 256)); }
# The simulator's --device spec of device i.
bm_many_spec() { echo "ip=$(bm_many_ip "$1"),mac=$(bm_many_mac "$1"),name=M$1,proto=both"; }
