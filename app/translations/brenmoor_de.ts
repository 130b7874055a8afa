<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AssignAddressesPanel</name>
    <message>
        <source>Assign Addresses</source>
        <translation>Adressen vergeben</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>Current IP</source>
        <translation>Aktuelle IP</translation>
    </message>
    <message>
        <source>New IP</source>
        <translation>Neue IP</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>First IP</source>
        <translation>Erste IP</translation>
    </message>
    <message>
        <source>Submask</source>
        <translation>Subnetzmaske</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>Passed over, in use: %1</source>
        <translation>Übersprungen, belegt: %1</translation>
    </message>
    <message>
        <source>Asking who holds the planned addresses now</source>
        <translation>Frage, wer die geplanten Adressen gerade belegt</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Sent: waiting for the device to report its new settings</source>
        <translation>Gesendet: warte, bis das Gerät seine neuen Einstellungen meldet</translation>
    </message>
    <message numerus="yes">
        <source>Sending to %n devices: waiting for each to report its new settings</source>
        <translation>
            <numerusform>Sende an %n Gerät: warte, bis es seine neuen Einstellungen meldet</numerusform>
            <numerusform>Sende an %n Geräte: warte, bis jedes seine neuen Einstellungen meldet</numerusform>
        </translation>
    </message>
    <message>
        <source>sending</source>
        <translation>wird gesendet</translation>
    </message>
    <message>
        <source>waits for %1</source>
        <translation>wartet auf %1</translation>
    </message>
    <message>
        <source>sent</source>
        <translation>gesendet</translation>
    </message>
    <message>
        <source>verified</source>
        <translation>bestätigt</translation>
    </message>
    <message>
        <source>not verified</source>
        <translation>nicht bestätigt</translation>
    </message>
    <message>
        <source>not sent</source>
        <translation>nicht gesendet</translation>
    </message>
    <message>
        <source>The device reports its new settings</source>
        <translation>Das Gerät meldet seine neuen Einstellungen</translation>
    </message>
    <message numerus="yes">
        <source>All %n devices report their new settings</source>
        <translation>
            <numerusform>Das Gerät meldet seine neuen Einstellungen</numerusform>
            <numerusform>Alle %n Geräte melden ihre neuen Einstellungen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n devices report their new settings; %2 did not</source>
        <translation>
            <numerusform>%1 von %n Gerät meldet seine neuen Einstellungen; %2 nicht</numerusform>
            <numerusform>%1 von %n Geräten melden ihre neuen Einstellungen; %2 nicht</numerusform>
        </translation>
    </message>
    <message>
        <source>The selected devices and their new addresses</source>
        <translation>Die ausgewählten Geräte und ihre neuen Adressen</translation>
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
        <translation>Ungültiges Format der IP-Adresse</translation>
    </message>
    <message>
        <source>IP address parts must be between 0 and 255</source>
        <translation>Die Teile der IP-Adresse müssen zwischen 0 und 255 liegen</translation>
    </message>
    <message>
        <source>IP address last parts must be between 1 and 254</source>
        <translation>Der letzte Teil der IP-Adresse muss zwischen 1 und 254 liegen</translation>
    </message>
    <message>
        <source>Gateway is not in the same subnet as the IP address</source>
        <translation>Das Gateway liegt nicht im selben Subnetz wie die IP-Adresse</translation>
    </message>
    <message>
        <source>IP address is the network address</source>
        <translation>Die IP-Adresse ist die Netzadresse</translation>
    </message>
    <message>
        <source>IP address is the broadcast address</source>
        <translation>Die IP-Adresse ist die Broadcast-Adresse</translation>
    </message>
    <message>
        <source>Invalid subnet mask: must have continuous 1s followed by continuous 0s</source>
        <translation>Ungültige Subnetzmaske: auf durchgehende Einsen müssen durchgehende Nullen folgen</translation>
    </message>
    <message>
        <source>Invalid subnet mask: 0.0.0.0 puts every address in the device&apos;s own network</source>
        <translation>Ungültige Subnetzmaske: 0.0.0.0 legt jede Adresse in das eigene Netz des Geräts</translation>
    </message>
    <message>
        <source>Invalid subnet mask: %1 leaves no room for the device and a gateway</source>
        <translation>Ungültige Subnetzmaske: %1 lässt keinen Platz für das Gerät und ein Gateway</translation>
    </message>
    <message>
        <source>Invalid subnet mask format: %1</source>
        <translation>Ungültiges Format der Subnetzmaske: %1</translation>
    </message>
    <message>
        <source>Gateway %1</source>
        <translation>Gateway: %1</translation>
    </message>
    <message>
        <source>Gateway must not be the IP address itself</source>
        <translation>Das Gateway darf nicht die IP-Adresse selbst sein</translation>
    </message>
    <message>
        <source>Gateway is the network address of the subnet</source>
        <translation>Das Gateway ist die Netzadresse des Subnetzes</translation>
    </message>
    <message>
        <source>Gateway is the broadcast address of the subnet</source>
        <translation>Das Gateway ist die Broadcast-Adresse des Subnetzes</translation>
    </message>
    <message>
        <source>Using private IP address</source>
        <translation>Private IP-Adresse</translation>
    </message>
    <message>
        <source>IP address %1 is already used by this computer (%2)</source>
        <translation>Die IP-Adresse %1 wird schon von diesem Computer verwendet (%2)</translation>
    </message>
    <message>
        <source>IP address %1 is already used by device %2, which answers there now</source>
        <translation>Die IP-Adresse %1 wird schon von Gerät %2 verwendet, das dort gerade antwortet</translation>
    </message>
    <message>
        <source>IP address %1 is already used by device %2</source>
        <translation>Die IP-Adresse %1 wird schon von Gerät %2 verwendet</translation>
    </message>
    <message>
        <source>IP address %1 was last used by %2: this computer remembers it there, but it does not answer now</source>
        <translation>Die IP-Adresse %1 wurde zuletzt von %2 verwendet: dieser Computer kennt es dort, aber es antwortet gerade nicht</translation>
    </message>
    <message>
        <source>IP address %1 was last used by %2, as this computer remembers it</source>
        <translation>Die IP-Adresse %1 wurde zuletzt von %2 verwendet, wie dieser Computer sich erinnert</translation>
    </message>
    <message>
        <source>The planned addresses could not be asked: nothing sent</source>
        <translation>Die geplanten Adressen konnten nicht abgefragt werden: nichts gesendet</translation>
    </message>
    <message>
        <source>Hosts kept answering at the planned addresses: nothing sent; search again</source>
        <translation>An den geplanten Adressen antworteten weiter Hosts: nichts gesendet; bitte erneut suchen</translation>
    </message>
    <message>
        <source>The changes wait on each other (%1): each would take an address another still holds; give one of them a free address first</source>
        <translation>Die Änderungen warten aufeinander (%1): jede nähme eine Adresse, die eine andere noch belegt; geben Sie zuerst einer davon eine freie Adresse</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <source>First IP: %1</source>
        <translation>Erste IP: %1</translation>
    </message>
    <message>
        <source>Gateway: %1</source>
        <translation>Gateway: %1</translation>
    </message>
    <message>
        <source>Gateway is the subnet&apos;s network or broadcast address</source>
        <translation>Das Gateway ist die Netz- oder Broadcast-Adresse des Subnetzes</translation>
    </message>
    <message>
        <source>No device selected</source>
        <translation>Kein Gerät ausgewählt</translation>
    </message>
    <message>
        <source>No free address left in %1 from %2 for %3</source>
        <translation>Keine freie Adresse mehr in %1 ab %2 für %3</translation>
    </message>
    <message>
        <source>%1 is on none of this computer&apos;s networks: the devices will answer only by broadcast there, and no address of it can be asked whether another host holds it</source>
        <translation>%1 liegt in keinem Netz dieses Computers: die Geräte antworten dort nur per Broadcast, und für keine Adresse darin lässt sich fragen, ob ein anderer Host sie belegt</translation>
    </message>
    <message>
        <source>Sent IP %1, mask %2, gateway %3</source>
        <translation>Gesendet: IP %1, Maske %2, Gateway %3</translation>
    </message>
    <message>
        <source>%1 answers at %2</source>
        <translation>%1 antwortet unter %2</translation>
    </message>
    <message>
        <source>%1 did not answer at %2 within %3</source>
        <translation>%1 hat innerhalb von %3 nicht unter %2 geantwortet</translation>
    </message>
    <message>
        <source>%1 answers at %2 with mask %3 gateway %4 instead of mask %5 gateway %6</source>
        <translation>%1 antwortet unter %2 mit Maske %3 und Gateway %4 statt Maske %5 und Gateway %6</translation>
    </message>
    <message>
        <source>No reply came in on %1, where %2 host answers ARP: a firewall on this computer may be dropping the devices&apos; replies. Allow incoming UDP ports 21089 and 52380 (ufw: sudo ufw allow Lorvane; firewalld: sudo firewall-cmd --add-service=brenmoor)</source>
        <translation>Auf %1, wo %2 Host auf ARP antwortet, kam keine Antwort an: eine Firewall auf diesem Computer verwirft womöglich die Antworten der Geräte. Erlauben Sie eingehend die UDP-Ports 21089 und 52380 (ufw: sudo ufw allow Lorvane; firewalld: sudo firewall-cmd --add-service=brenmoor)</translation>
    </message>
    <message>
        <source>No reply came in on %1, where %2 hosts answer ARP: a firewall on this computer may be dropping the devices&apos; replies. Allow incoming UDP ports 21089 and 52380 (ufw: sudo ufw allow Lorvane; firewalld: sudo firewall-cmd --add-service=brenmoor)</source>
        <translation>Auf %1, wo %2 Hosts auf ARP antworten, kam keine Antwort an: eine Firewall auf diesem Computer verwirft womöglich die Antworten der Geräte. Erlauben Sie eingehend die UDP-Ports 21089 und 52380 (ufw: sudo ufw allow Lorvane; firewalld: sudo firewall-cmd --add-service=brenmoor)</translation>
    </message>
    <message>
        <source>Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a device&apos;s address) may be missed: the ARP helper %1 may not send ARP (it lacks the capability cap_net_raw), so this computer&apos;s neighbour table served instead. To grant it, as root: setcap cap_net_raw=ep %2</source>
        <translation>Konflikte mit Hosts, die auf die Suche nicht antworten (ein PC, ein Drucker oder ein Router an der Adresse eines Geräts), können unbemerkt bleiben: der ARP-Helfer %1 darf kein ARP senden (ihm fehlt die Capability cap_net_raw), daher diente die Nachbartabelle dieses Computers. Um sie zu erteilen, als root: setcap cap_net_raw=ep %2</translation>
    </message>
    <message>
        <source>Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a device&apos;s address) may be missed: the ARP helper %1 is not there, so this computer&apos;s neighbour table served instead. Install the brenmoor package, which sets it up, or as root copy the helper there and run: setcap cap_net_raw=ep %2</source>
        <translation>Konflikte mit Hosts, die auf die Suche nicht antworten (ein PC, ein Drucker oder ein Router an der Adresse eines Geräts), können unbemerkt bleiben: der ARP-Helfer %1 fehlt, daher diente die Nachbartabelle dieses Computers. Installieren Sie das Paket brenmoor, das ihn einrichtet, oder kopieren Sie als root den Helfer dorthin und führen Sie aus: setcap cap_net_raw=ep %2</translation>
    </message>
    <message>
        <source>Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a device&apos;s address) may be missed: the ARP helper %1 failed (%2), so this computer&apos;s neighbour table served instead.</source>
        <translation>Konflikte mit Hosts, die auf die Suche nicht antworten (ein PC, ein Drucker oder ein Router an der Adresse eines Geräts), können unbemerkt bleiben: der ARP-Helfer %1 ist gescheitert (%2), daher diente die Nachbartabelle dieses Computers.</translation>
    </message>
    <message>
        <source>Conflicts with hosts that do not answer discovery (a PC, a printer or a router at a device&apos;s address) may be missed: the ARP helper %1 failed, so this computer&apos;s neighbour table served instead.</source>
        <translation>Konflikte mit Hosts, die auf die Suche nicht antworten (ein PC, ein Drucker oder ein Router an der Adresse eines Geräts), können unbemerkt bleiben: der ARP-Helfer %1 ist gescheitert, daher diente die Nachbartabelle dieses Computers.</translation>
    </message>
    <message>
        <source>1 reply was dropped by this computer: its receive buffer%1 was full. Raise net.core.rmem_max (as root: sysctl -w net.core.rmem_max=4194304) and search again</source>
        <translation>1 Antwort wurde von diesem Computer verworfen: sein Empfangspuffer%1 war voll. Erhöhen Sie net.core.rmem_max (als root: sysctl -w net.core.rmem_max=4194304) und suchen Sie erneut</translation>
    </message>
    <message>
        <source>%1 replies were dropped by this computer: its receive buffer%2 was full. Raise net.core.rmem_max (as root: sysctl -w net.core.rmem_max=4194304) and search again</source>
        <translation>%1 Antworten wurden von diesem Computer verworfen: sein Empfangspuffer%2 war voll. Erhöhen Sie net.core.rmem_max (als root: sysctl -w net.core.rmem_max=4194304) und suchen Sie erneut</translation>
    </message>
    <message>
        <source>UDP port %1 is held by another program (%2): replies sent to it may reach that program instead of this one</source>
        <translation>UDP-Port %1 ist von einem anderen Programm belegt (%2): Antworten an ihn erreichen womöglich jenes Programm statt dieses</translation>
    </message>
    <message>
        <source>UDP port %1 is held by another program (%2): no reply to it reaches this program until that program closes it; Search tries again</source>
        <translation>UDP-Port %1 ist von einem anderen Programm belegt (%2): keine Antwort an ihn erreicht dieses Programm, bis jenes ihn schließt; die Suche versucht es erneut</translation>
    </message>
    <message>
        <source>new</source>
        <translation>neu</translation>
    </message>
    <message>
        <source>moved</source>
        <translation>verschoben</translation>
    </message>
    <message>
        <source>renamed</source>
        <translation>umbenannt</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>fehlt</translation>
    </message>
    <message>
        <source>; </source>
        <translation>; </translation>
    </message>
    <message>
        <source>UDP port %1 could not be opened (%2): no reply to it reaches this program; Search tries again</source>
        <translation>UDP-Port %1 ließ sich nicht öffnen (%2): keine Antwort an ihn erreicht dieses Programm; die Suche versucht es erneut</translation>
    </message>
    <message>
        <source>no network interface is up</source>
        <translation>keine Netzwerkschnittstelle ist aktiv</translation>
    </message>
    <message>
        <source>%1: cannot be read: %2</source>
        <translation>%1: nicht lesbar: %2</translation>
    </message>
    <message>
        <source>%1: not a site record: the text is not UTF-8</source>
        <translation>%1: kein Standortprotokoll: der Text ist kein UTF-8</translation>
    </message>
    <message>
        <source>%1: not a site record: not JSON, or cut short</source>
        <translation>%1: kein Standortprotokoll: kein JSON oder abgeschnitten</translation>
    </message>
</context>
<context>
    <name>DeviceTableWidget</name>
    <message>
        <source>address conflict with %1</source>
        <translation>Adresskonflikt mit %1</translation>
    </message>
    <message>
        <source>change pending</source>
        <translation>Änderung ausstehend</translation>
    </message>
    <message>
        <source>change not proven</source>
        <translation>Änderung nicht bestätigt</translation>
    </message>
    <message>
        <source>change proven</source>
        <translation>Änderung bestätigt</translation>
    </message>
    <message>
        <source>was %1, mask %2, gateway %3</source>
        <translation>war %1, Maske %2, Gateway %3</translation>
    </message>
    <message>
        <source>was named %1</source>
        <translation>hieß %1</translation>
    </message>
    <message>
        <source>not in the site record</source>
        <translation>nicht im Standortprotokoll</translation>
    </message>
    <message>
        <source>Since record</source>
        <translation>Seit Protokoll</translation>
    </message>
    <message>
        <source>In the site record, did not answer this Search</source>
        <translation>Im Standortprotokoll, hat auf diese Suche nicht geantwortet</translation>
    </message>
    <message>
        <source>Modify</source>
        <translation>Ändern</translation>
    </message>
    <message>
        <source>Access Web</source>
        <translation>Webseite</translation>
    </message>
    <message>
        <source>Modify %1 (%2)</source>
        <translation>%1 (%2) ändern</translation>
    </message>
    <message>
        <source>Open the web page of %1</source>
        <translation>Webseite von %1 öffnen</translation>
    </message>
    <message>
        <source>Devices</source>
        <translation>Geräte</translation>
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
        <translation>Geräte:0</translation>
    </message>
    <message>
        <source>Conflicts:0</source>
        <translation>Konflikte:0</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
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
        <translation>Subnetzmaske</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>Searching: the neighbour sweep runs and the conflicts are judged (about 1 s)</source>
        <translation>Suche läuft: die Nachbarn werden abgefragt und die Konflikte beurteilt (etwa 1 s)</translation>
    </message>
    <message numerus="yes">
        <source>Device:%n</source>
        <translation>
            <numerusform>Geräte:%n</numerusform>
            <numerusform>Geräte:%n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Devices: %n</source>
        <translation>
            <numerusform>Geräte: %n</numerusform>
            <numerusform>Geräte: %n</numerusform>
        </translation>
    </message>
    <message>
        <source>The device is no longer listed: search again</source>
        <translation>Das Gerät ist nicht mehr aufgeführt: bitte erneut suchen</translation>
    </message>
    <message numerus="yes">
        <source>Conflicts:%n</source>
        <translation>
            <numerusform>Konflikte:%n</numerusform>
            <numerusform>Konflikte:%n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Conflicts: %n</source>
        <translation>
            <numerusform>Konflikte: %n</numerusform>
            <numerusform>Konflikte: %n</numerusform>
        </translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>Show only the devices whose name, MAC or IP holds this text</source>
        <translation>Nur die Geräte zeigen, deren Name, MAC oder IP diesen Text enthält</translation>
    </message>
    <message>
        <source>Site</source>
        <translation>Standort</translation>
    </message>
    <message>
        <source>Save the list as the site&apos;s record, or compare each Search with a record</source>
        <translation>Die Liste als Protokoll des Standorts speichern oder jede Suche mit einem Protokoll vergleichen</translation>
    </message>
    <message>
        <source>Save Site...</source>
        <translation>Standort speichern...</translation>
    </message>
    <message>
        <source>Compare with...</source>
        <translation>Vergleichen mit...</translation>
    </message>
    <message>
        <source>Stop comparing</source>
        <translation>Vergleich beenden</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Save every listed device as CSV or JSON</source>
        <translation>Alle aufgeführten Geräte als CSV oder JSON speichern</translation>
    </message>
    <message>
        <source>Assign Addresses</source>
        <translation>Adressen vergeben</translation>
    </message>
    <message>
        <source>Select the rows of the devices first: click, Ctrl+click, Shift+click or Ctrl+A</source>
        <translation>Zuerst die Zeilen der Geräte auswählen: Klick, Strg+Klick, Umschalt+Klick oder Strg+A</translation>
    </message>
    <message>
        <source>Export the device list</source>
        <translation>Geräteliste exportieren</translation>
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
        <translation>NetBox-IP-Adressen (CSV) (*.csv)</translation>
    </message>
    <message>
        <source>The list could not be written to %1</source>
        <translation>Die Liste konnte nicht nach %1 geschrieben werden</translation>
    </message>
    <message numerus="yes">
        <source>New:%n</source>
        <translation>
            <numerusform>Neu:%n</numerusform>
            <numerusform>Neu:%n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Missing:%n</source>
        <translation>
            <numerusform>Fehlt:%n</numerusform>
            <numerusform>Fehlen:%n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Changed:%n</source>
        <translation>
            <numerusform>Geändert:%n</numerusform>
            <numerusform>Geändert:%n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>New since the record: %n</source>
        <translation>
            <numerusform>Neu seit dem Protokoll: %n</numerusform>
            <numerusform>Neu seit dem Protokoll: %n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Missing since the record: %n</source>
        <translation>
            <numerusform>Fehlt seit dem Protokoll: %n</numerusform>
            <numerusform>Fehlen seit dem Protokoll: %n</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Changed since the record: %n</source>
        <translation>
            <numerusform>Geändert seit dem Protokoll: %n</numerusform>
            <numerusform>Geändert seit dem Protokoll: %n</numerusform>
        </translation>
    </message>
    <message>
        <source>Save the site&apos;s record</source>
        <translation>Protokoll des Standorts speichern</translation>
    </message>
    <message>
        <source>Compare each Search with a site record</source>
        <translation>Jede Suche mit einem Standortprotokoll vergleichen</translation>
    </message>
    <message>
        <source>Site records (*.json)</source>
        <translation>Standortprotokolle (*.json)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Save Site</source>
        <translation>Standort speichern</translation>
    </message>
    <message>
        <source>Compared with %1: %2 devices, saved %3 on %4</source>
        <translation>Verglichen mit %1: %2 Geräte, gespeichert %3 auf %4</translation>
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
        <translation>Name</translation>
    </message>
    <message>
        <source>MAC Address</source>
        <translation>MAC-Adresse</translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation>IP-Adresse</translation>
    </message>
    <message>
        <source>Subnet Mask</source>
        <translation>Subnetzmaske</translation>
    </message>
    <message>
        <source>Default Gateway</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>MAC</source>
        <translation>MAC</translation>
    </message>
    <message>
        <source>IP address</source>
        <translation>IP-Adresse</translation>
    </message>
    <message>
        <source>Subnet mask</source>
        <translation>Subnetzmaske</translation>
    </message>
    <message>
        <source>Gateway</source>
        <translation>Gateway</translation>
    </message>
    <message>
        <source>Asking who holds %1 now</source>
        <translation>Frage, wer %1 gerade belegt</translation>
    </message>
    <message>
        <source>%1. Press Confirm again to send anyway.</source>
        <translation>%1. Zum trotzdem Senden erneut Bestätigen drücken.</translation>
    </message>
</context>
</TS>
