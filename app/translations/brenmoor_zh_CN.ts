<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AssignAddressesPanel</name>
    <message>
        <source>Assign Addresses</source>
        <translation>分配地址</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>Current IP</source>
        <translation>当前 IP</translation>
    </message>
    <message>
        <source>New IP</source>
        <translation>新 IP</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>First IP</source>
        <translation>起始 IP</translation>
    </message>
    <message>
        <source>Submask</source>
        <translation>子网掩码</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>网关</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>Passed over, in use: %1</source>
        <translation>已跳过（被占用）：%1</translation>
    </message>
    <message>
        <source>Asking who holds the planned addresses now</source>
        <translation>正在询问计划地址当前由谁占用</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Sent: waiting for the device to report its new settings</source>
        <translation>已发送：等待设备报告其新设置</translation>
    </message>
    <message numerus="yes">
        <source>Sending to %n devices: waiting for each to report its new settings</source>
        <translation>
            <numerusform>正在发送到 %n 台设备：等待每台设备报告其新设置</numerusform>
        </translation>
    </message>
    <message>
        <source>sending</source>
        <translation>发送中</translation>
    </message>
    <message>
        <source>waits for %1</source>
        <translation>等待 %1</translation>
    </message>
    <message>
        <source>sent</source>
        <translation>已发送</translation>
    </message>
    <message>
        <source>verified</source>
        <translation>已验证</translation>
    </message>
    <message>
        <source>not verified</source>
        <translation>未验证</translation>
    </message>
    <message>
        <source>not sent</source>
        <translation>未发送</translation>
    </message>
    <message>
        <source>The device reports its new settings</source>
        <translation>设备已报告其新设置</translation>
    </message>
    <message numerus="yes">
        <source>All %n devices report their new settings</source>
        <translation>
            <numerusform>全部 %n 台设备已报告其新设置</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n devices report their new settings; %2 did not</source>
        <translation>
            <numerusform>%n 台设备中有 %1 台已报告其新设置；%2 台没有</numerusform>
        </translation>
    </message>
    <message>
        <source>The selected devices and their new addresses</source>
        <translation>所选设备及其新地址</translation>
    </message>
</context>
<context>
    <name>Brenmoor</name>
    <message>
        <source>Brenmoor</source>
        <translation>Brenmoor</translation>
    </message>
    <message>
        <source>Lorvane</source>
        <translation>Lorvane</translation>
    </message>
</context>
<context>
    <name>CoreText</name>
    <message>
        <source>Invalid IP address format</source>
        <translation>IP 地址格式无效</translation>
    </message>
    <message>
        <source>IP address parts must be between 0 and 255</source>
        <translation>IP 地址各段必须在 0 到 255 之间</translation>
    </message>
    <message>
        <source>IP address last parts must be between 1 and 254</source>
        <translation>IP 地址最后一段必须在 1 到 254 之间</translation>
    </message>
    <message>
        <source>Gateway is not in the same subnet as the IP address</source>
        <translation>网关与 IP 地址不在同一子网</translation>
    </message>
    <message>
        <source>IP address is the network address</source>
        <translation>IP 地址是网络地址</translation>
    </message>
    <message>
        <source>IP address is the broadcast address</source>
        <translation>IP 地址是广播地址</translation>
    </message>
    <message>
        <source>Invalid subnet mask: must have continuous 1s followed by continuous 0s</source>
        <translation>子网掩码无效：必须是连续的 1 后跟连续的 0</translation>
    </message>
    <message>
        <source>Invalid subnet mask: 0.0.0.0 puts every address in the device&apos;s own network</source>
        <translation>子网掩码无效：0.0.0.0 会把所有地址都归入设备自己的网络</translation>
    </message>
    <message>
        <source>Invalid subnet mask: %1 leaves no room for the device and a gateway</source>
        <translation>子网掩码无效：%1 容不下设备和网关</translation>
    </message>
    <message>
        <source>Invalid subnet mask format: %1</source>
        <translation>子网掩码格式无效：%1</translation>
    </message>
    <message>
        <source>Gateway %1</source>
        <translation>网关：%1</translation>
    </message>
    <message>
        <source>Gateway must not be the IP address itself</source>
        <translation>网关不能是 IP 地址本身</translation>
    </message>
    <message>
        <source>Gateway is the network address of the subnet</source>
        <translation>网关是子网的网络地址</translation>
    </message>
    <message>
        <source>Gateway is the broadcast address of the subnet</source>
        <translation>网关是子网的广播地址</translation>
    </message>
    <message>
        <source>Using private IP address</source>
        <translation>使用私有 IP 地址</translation>
    </message>
    <message>
        <source>IP address %1 is already used by this computer (%2)</source>
        <translation>IP 地址 %1 已被本机使用（%2）</translation>
    </message>
    <message>
        <source>IP address %1 is already used by device %2, which answers there now</source>
        <translation>IP 地址 %1 已被设备 %2 使用，该设备此刻正在该地址应答</translation>
    </message>
    <message>
        <source>IP address %1 is already used by device %2</source>
        <translation>IP 地址 %1 已被设备 %2 使用</translation>
    </message>
    <message>
        <source>IP address %1 was last used by %2: this computer remembers it there, but it does not answer now</source>
        <translation>IP 地址 %1 上次由 %2 使用：本机记得它在该地址，但它此刻没有应答</translation>
    </message>
    <message>
        <source>IP address %1 was last used by %2, as this computer remembers it</source>
        <translation>IP 地址 %1 上次由 %2 使用（据本机记录）</translation>
    </message>
    <message>
        <source>The planned addresses could not be asked: nothing sent</source>
        <translation>无法询问计划地址：未发送任何内容</translation>
    </message>
    <message>
        <source>Hosts kept answering at the planned addresses: nothing sent; search again</source>
        <translation>计划地址上一直有主机应答：未发送任何内容；请重新搜索</translation>
    </message>
    <message>
        <source>The changes wait on each other (%1): each would take an address another still holds; give one of them a free address first</source>
        <translation>这些更改互相等待（%1）：每个都要占用另一个仍在使用的地址；请先给其中一个分配空闲地址</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>第 %1 行：%2</translation>
    </message>
    <message>
        <source>First IP: %1</source>
        <translation>起始 IP：%1</translation>
    </message>
    <message>
        <source>Gateway: %1</source>
        <translation>网关：%1</translation>
    </message>
    <message>
        <source>Gateway is the subnet&apos;s network or broadcast address</source>
        <translation>网关是子网的网络地址或广播地址</translation>
    </message>
    <message>
        <source>No device selected</source>
        <translation>未选择设备</translation>
    </message>
    <message>
        <source>No free address left in %1 from %2 for %3</source>
        <translation>%1 中从 %2 起已没有可分配给 %3 的空闲地址</translation>
    </message>
    <message>
        <source>%1 is on none of this computer&apos;s networks: the devices will answer only by broadcast there, and no address of it can be asked whether another host holds it</source>
        <translation>%1 不在本机的任何网络中：设备在那里只会以广播应答，也无法询问其中的地址是否被其他主机占用</translation>
    </message>
    <message>
        <source>Sent IP %1, mask %2, gateway %3</source>
        <translation>已发送 IP %1，掩码 %2，网关 %3</translation>
    </message>
    <message>
        <source>%1 answers at %2</source>
        <translation>%1 在 %2 应答</translation>
    </message>
    <message>
        <source>%1 did not answer at %2 within %3</source>
        <translation>%1 在 %3 内未在 %2 应答</translation>
    </message>
    <message>
        <source>%1 answers at %2 with mask %3 gateway %4 instead of mask %5 gateway %6</source>
        <translation>%1 在 %2 应答，但掩码为 %3、网关为 %4，而不是掩码 %5、网关 %6</translation>
    </message>
    <message>
        <source>No reply came in on %1, where %2 host answers ARP: a firewall on this computer may be dropping the devices&apos; replies. Allow incoming UDP ports 21089 and 52380 (ufw: sudo ufw allow Lorvane; firewalld: sudo firewall-cmd --add-service=brenmoor)</source>
        <translation>%1 上有 %2 台主机应答 ARP，却没有收到任何回复：本机的防火墙可能在丢弃设备的回复。请放行入站 UDP 端口 21089 和 52380（ufw：sudo ufw allow Lorvane；firewalld：sudo firewall-cmd --add-service=brenmoor）</translation>
    </message>
    <message>
        <source>No reply came in on %1, where %2 hosts answer ARP: a firewall on this computer may be dropping the devices&apos; replies. Allow incoming UDP ports 21089 and 52380 (ufw: sudo ufw allow Lorvane; firewalld: sudo firewall-cmd --add-service=brenmoor)</source>
        <translation>%1 上有 %2 台主机应答 ARP，却没有收到任何回复：本机的防火墙可能在丢弃设备的回复。请放行入站 UDP 端口 21089 和 52380（ufw：sudo ufw allow Lorvane；firewalld：sudo firewall-cmd --add-service=brenmoor）</translation>
    </message>
    <message>
        <source>Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a device&apos;s address) may be missed: the ARP helper %1 may not send ARP (it lacks the capability cap_net_raw), so this computer&apos;s neighbour table served instead. To grant it, as root: setcap cap_net_raw=ep %2</source>
        <translation>可能漏掉与不响应发现的主机（位于设备地址上的 PC、打印机或路由器）之间的冲突：ARP 助手 %1 无权发送 ARP（缺少 cap_net_raw 能力），因此改用了本机的邻居表。以 root 授权：setcap cap_net_raw=ep %2</translation>
    </message>
    <message>
        <source>Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a device&apos;s address) may be missed: the ARP helper %1 is not there, so this computer&apos;s neighbour table served instead. Install the brenmoor package, which sets it up, or as root copy the helper there and run: setcap cap_net_raw=ep %2</source>
        <translation>可能漏掉与不响应发现的主机（位于设备地址上的 PC、打印机或路由器）之间的冲突：ARP 助手 %1 不存在，因此改用了本机的邻居表。请安装 brenmoor 软件包（它会完成设置），或以 root 把助手复制到该处并运行：setcap cap_net_raw=ep %2</translation>
    </message>
    <message>
        <source>Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a device&apos;s address) may be missed: the ARP helper %1 failed (%2), so this computer&apos;s neighbour table served instead.</source>
        <translation>可能漏掉与不响应发现的主机（位于设备地址上的 PC、打印机或路由器）之间的冲突：ARP 助手 %1 失败（%2），因此改用了本机的邻居表。</translation>
    </message>
    <message>
        <source>Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a device&apos;s address) may be missed: the ARP helper %1 failed, so this computer&apos;s neighbour table served instead.</source>
        <translation>可能漏掉与不响应发现的主机（位于设备地址上的 PC、打印机或路由器）之间的冲突：ARP 助手 %1 失败，因此改用了本机的邻居表。</translation>
    </message>
    <message>
        <source>1 reply was dropped by this computer: its receive buffer%1 was full. Raise net.core.rmem_max (as root: sysctl -w net.core.rmem_max=4194304) and search again</source>
        <translation>本机丢弃了 1 个回复：其接收缓冲区%1已满。请调大 net.core.rmem_max（以 root：sysctl -w net.core.rmem_max=4194304）后重新搜索</translation>
    </message>
    <message>
        <source>%1 replies were dropped by this computer: its receive buffer%2 was full. Raise net.core.rmem_max (as root: sysctl -w net.core.rmem_max=4194304) and search again</source>
        <translation>本机丢弃了 %1 个回复：其接收缓冲区%2已满。请调大 net.core.rmem_max（以 root：sysctl -w net.core.rmem_max=4194304）后重新搜索</translation>
    </message>
    <message>
        <source>UDP port %1 is held by another program (%2): replies sent to it may reach that program instead of this one</source>
        <translation>UDP 端口 %1 被另一个程序占用（%2）：发往该端口的回复可能到达那个程序而不是本程序</translation>
    </message>
    <message>
        <source>UDP port %1 is held by another program (%2): no reply to it reaches this program until that program closes it; Search tries again</source>
        <translation>UDP 端口 %1 被另一个程序占用（%2）：在那个程序关闭它之前，发往该端口的回复都到不了本程序；搜索会再试</translation>
    </message>
    <message>
        <source>new</source>
        <translation>新增</translation>
    </message>
    <message>
        <source>moved</source>
        <translation>已移动</translation>
    </message>
    <message>
        <source>renamed</source>
        <translation>已改名</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>缺失</translation>
    </message>
    <message>
        <source>; </source>
        <translation>；</translation>
    </message>
    <message>
        <source>UDP port %1 could not be opened (%2): no reply to it reaches this program; Search tries again</source>
        <translation>UDP 端口 %1 无法打开（%2）：发往该端口的回复都到不了本程序；搜索会再试</translation>
    </message>
    <message>
        <source>no network interface is up</source>
        <translation>没有已启用的网络接口</translation>
    </message>
    <message>
        <source>%1: cannot be read: %2</source>
        <translation>%1：无法读取：%2</translation>
    </message>
    <message>
        <source>%1: not a site record: the text is not UTF-8</source>
        <translation>%1：不是现场记录：文本不是 UTF-8</translation>
    </message>
    <message>
        <source>%1: not a site record: not JSON, or cut short</source>
        <translation>%1：不是现场记录：不是 JSON，或被截断</translation>
    </message>
</context>
<context>
    <name>DeviceTableWidget</name>
    <message>
        <source>address conflict with %1</source>
        <translation>与 %1 地址冲突</translation>
    </message>
    <message>
        <source>change pending</source>
        <translation>更改待定</translation>
    </message>
    <message>
        <source>change not proven</source>
        <translation>更改未证实</translation>
    </message>
    <message>
        <source>change proven</source>
        <translation>更改已证实</translation>
    </message>
    <message>
        <source>was %1, mask %2, gateway %3</source>
        <translation>原为 %1，掩码 %2，网关 %3</translation>
    </message>
    <message>
        <source>was named %1</source>
        <translation>原名 %1</translation>
    </message>
    <message>
        <source>not in the site record</source>
        <translation>不在现场记录中</translation>
    </message>
    <message>
        <source>Since record</source>
        <translation>相较记录</translation>
    </message>
    <message>
        <source>In the site record, did not answer this Search</source>
        <translation>在现场记录中，但未响应本次搜索</translation>
    </message>
    <message>
        <source>Modify</source>
        <translation>修改</translation>
    </message>
    <message>
        <source>Access Web</source>
        <translation>访问网页</translation>
    </message>
    <message>
        <source>Modify %1 (%2)</source>
        <translation>修改 %1（%2）</translation>
    </message>
    <message>
        <source>Open the web page of %1</source>
        <translation>打开 %1 的网页</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>设备</translation>
    </message>
</context>
<context>
    <name>mainwindow</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Device:0</source>
        <translation>设备：0</translation>
    </message>
    <message>
        <source>Conflicts:0</source>
        <translation>冲突：0</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>IP</source>
        <translation>IP</translation>
    </message>
    <message>
        <source>Submask</source>
        <translation>子网掩码</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>网关</translation>
    </message>
    <message>
        <source>Searching: the neighbour sweep runs and the conflicts are judged (about 1 s)</source>
        <translation>正在搜索：正在扫描邻居并判断冲突（约 1 秒）</translation>
    </message>
    <message numerus="yes">
        <source>Device:%n</source>
        <translation>
            <numerusform>设备：%n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Devices: %n</source>
        <translation>
            <numerusform>设备：%n</numerusform>
        </translation>
    </message>
    <message>
        <source>The device is no longer listed: search again</source>
        <translation>该设备已不在列表中：请重新搜索</translation>
    </message>
    <message numerus="yes">
        <source>Conflicts:%n</source>
        <translation>
            <numerusform>冲突：%n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Conflicts: %n</source>
        <translation>
            <numerusform>冲突：%n</numerusform>
        </translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>筛选</translation>
    </message>
    <message>
        <source>Show only the devices whose name, MAC or IP holds this text</source>
        <translation>只显示名称、MAC 或 IP 含有此文字的设备</translation>
    </message>
    <message>
        <source>Site</source>
        <translation>现场</translation>
    </message>
    <message>
        <source>Save the list as the site&apos;s record, or compare each Search with a record</source>
        <translation>把列表保存为现场记录，或把每次搜索与记录对比</translation>
    </message>
    <message>
        <source>Save Site...</source>
        <translation>保存现场...</translation>
    </message>
    <message>
        <source>Compare with...</source>
        <translation>对比...</translation>
    </message>
    <message>
        <source>Stop comparing</source>
        <translation>停止对比</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Save every listed device as CSV or JSON</source>
        <translation>把列出的所有设备保存为 CSV 或 JSON</translation>
    </message>
    <message>
        <source>Assign Addresses</source>
        <translation>分配地址</translation>
    </message>
    <message>
        <source>Select the rows of the devices first: click, Ctrl+click, Shift+click or Ctrl+A</source>
        <translation>请先选择设备所在的行：单击、Ctrl+单击、Shift+单击或 Ctrl+A</translation>
    </message>
    <message>
        <source>Export the device list</source>
        <translation>导出设备列表</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>CSV (*.csv)</translation>
    </message>
    <message>
        <source>JSON (*.json)</source>
        <translation>JSON (*.json)</translation>
    </message>
    <message>
        <source>NetBox IP addresses (CSV) (*.csv)</source>
        <translation>NetBox IP 地址 (CSV) (*.csv)</translation>
    </message>
    <message>
        <source>The list could not be written to %1</source>
        <translation>无法把列表写入 %1</translation>
    </message>
    <message numerus="yes">
        <source>New:%n</source>
        <translation>
            <numerusform>新增：%n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Missing:%n</source>
        <translation>
            <numerusform>缺失：%n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Changed:%n</source>
        <translation>
            <numerusform>变更：%n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>New since the record: %n</source>
        <translation>
            <numerusform>相较记录新增：%n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Missing since the record: %n</source>
        <translation>
            <numerusform>相较记录缺失：%n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Changed since the record: %n</source>
        <translation>
            <numerusform>相较记录变更：%n</numerusform>
        </translation>
    </message>
    <message>
        <source>Save the site&apos;s record</source>
        <translation>保存现场记录</translation>
    </message>
    <message>
        <source>Compare each Search with a site record</source>
        <translation>把每次搜索与现场记录对比</translation>
    </message>
    <message>
        <source>Site records (*.json)</source>
        <translation>现场记录 (*.json)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>Save Site</source>
        <translation>保存现场</translation>
    </message>
    <message>
        <source>Compared with %1: %2 devices, saved %3 on %4</source>
        <translation>对比 %1：%2 台设备，%3 保存于 %4</translation>
    </message>
</context>
<context>
    <name>modifyIPDialog</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>MAC Address</source>
        <translation>MAC 地址</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Subnet Mask</source>
        <translation>子网掩码</translation>
    </message>
    <message>
        <source>Default Gateway</source>
        <translation>默认网关</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>IP address</source>
        <translation>IP 地址</translation>
    </message>
    <message>
        <source>Subnet mask</source>
        <translation>子网掩码</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>网关</translation>
    </message>
    <message>
        <source>Asking who holds %1 now</source>
        <translation>正在询问 %1 当前由谁占用</translation>
    </message>
    <message>
        <source>%1. Press Confirm again to send anyway.</source>
        <translation>%1。再次按“确认”仍然发送。</translation>
    </message>
</context>
</TS>
