<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>kelvo::AppMenus</name>
    <message>
        <source>Export PDF…</source>
        <translation>PDF exportieren …</translation>
    </message>
    <message>
        <source>Export HTML…</source>
        <translation>HTML exportieren …</translation>
    </message>
    <message>
        <source>Export Markdown…</source>
        <translation>Markdown exportieren …</translation>
    </message>
    <message>
        <source>Share PDF…</source>
        <translation>PDF teilen …</translation>
    </message>
    <message>
        <source>Show Guide in Files</source>
        <translation>Anleitung in Dateien zeigen</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Updates suchen …</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Quit Kelvo</source>
        <translation>Kelvo beenden</translation>
    </message>
    <message>
        <source>Open Kelvo</source>
        <translation>Kelvo öffnen</translation>
    </message>
    <message>
        <source>&amp;Kelvo</source>
        <translation>&amp;Kelvo</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>New Recording</source>
        <translation>Neue Aufnahme</translation>
    </message>
    <message>
        <source>Stop Recording</source>
        <translation>Aufnahme beenden</translation>
    </message>
    <message>
        <source>Start Recording  (Ctrl+Alt+Super+R)</source>
        <translation>Aufnahme starten  (Strg+Alt+Super+R)</translation>
    </message>
    <message>
        <source>Stop Recording  (Ctrl+Alt+Super+R)</source>
        <translation>Aufnahme beenden  (Strg+Alt+Super+R)</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>%1 rückgängig machen</translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation>%1 wiederholen</translation>
    </message>
</context>
<context>
    <name>kelvo::CaptionField</name>
    <message>
        <source>Describe this step</source>
        <translation>Diesen Schritt beschreiben</translation>
    </message>
</context>
<context>
    <name>kelvo::CaptionWriter</name>
    <message>
        <source>&quot;%1&quot;</source>
        <extracomment>Quotation marks around a label in a caption.</extracomment>
        <translation>„%1“</translation>
    </message>
    <message>
        <source>Open the %1 menu</source>
        <translation>Menü %1 öffnen</translation>
    </message>
    <message>
        <source>Choose %1 from the menu</source>
        <translation>%1 im Menü wählen</translation>
    </message>
    <message>
        <source>Open the %1 dropdown</source>
        <translation>Auswahlliste %1 öffnen</translation>
    </message>
    <message>
        <source>Toggle %1</source>
        <translation>%1 umschalten</translation>
    </message>
    <message>
        <source>Select %1</source>
        <translation>%1 auswählen</translation>
    </message>
    <message>
        <source>%1 the %2 field</source>
        <translation>In das Feld %2 %1</translation>
    </message>
    <message>
        <source>%1 the %2 link</source>
        <translation>Auf den Link %2 %1</translation>
    </message>
    <message>
        <source>Switch to the %1 tab</source>
        <translation>Zum Tab %1 wechseln</translation>
    </message>
    <message>
        <source>Adjust %1</source>
        <translation>%1 einstellen</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <comment>click on a label</comment>
        <translation>Auf %2 %1</translation>
    </message>
    <message>
        <source>Open a menu</source>
        <translation>Ein Menü öffnen</translation>
    </message>
    <message>
        <source>Choose a menu item</source>
        <translation>Einen Menüeintrag wählen</translation>
    </message>
    <message>
        <source>Open the dropdown</source>
        <translation>Auswahlliste öffnen</translation>
    </message>
    <message>
        <source>Toggle the checkbox</source>
        <translation>Kontrollkästchen umschalten</translation>
    </message>
    <message>
        <source>Select the option</source>
        <translation>Option auswählen</translation>
    </message>
    <message>
        <source>%1 in the text field</source>
        <translation>In das Textfeld %1</translation>
    </message>
    <message>
        <source>%1 the link</source>
        <translation>Auf den Link %1</translation>
    </message>
    <message>
        <source>Switch tabs</source>
        <translation>Tab wechseln</translation>
    </message>
    <message>
        <source>Select the item</source>
        <translation>Eintrag auswählen</translation>
    </message>
    <message>
        <source>Adjust the slider</source>
        <translation>Schieberegler einstellen</translation>
    </message>
    <message>
        <source>%1 the button</source>
        <translation>Auf die Schaltfläche %1</translation>
    </message>
    <message>
        <source>%1 here</source>
        <translation>Hier %1</translation>
    </message>
    <message>
        <source>Right-click</source>
        <extracomment>The verb of a caption, put into the patterns as %1.</extracomment>
        <translation>mit der rechten Maustaste klicken</translation>
    </message>
    <message>
        <source>Click</source>
        <translation>klicken</translation>
    </message>
    <message>
        <source>%1 in %2</source>
        <comment>click in a window or an application</comment>
        <translation>In %2 %1</translation>
    </message>
</context>
<context>
    <name>kelvo::DragHandle</name>
    <message>
        <source>Drag to reorder</source>
        <translation>Zum Umordnen ziehen</translation>
    </message>
    <message>
        <source>Use the Move Up and Move Down buttons to reorder with the keyboard</source>
        <translation>Mit den Schaltflächen „Nach oben“ und „Nach unten“ per Tastatur umordnen</translation>
    </message>
</context>
<context>
    <name>kelvo::EmptyStateView</name>
    <message>
        <source>New Recording</source>
        <translation>Neue Aufnahme</translation>
    </message>
    <message>
        <source>Welcome</source>
        <translation>Willkommen</translation>
    </message>
    <message>
        <source>Record once, get a guide</source>
        <translation>Einmal aufnehmen, Anleitung erhalten</translation>
    </message>
    <message>
        <source>Click New Recording, do the task as normal, then press Stop.
Kelvo turns every click into a captioned step and keeps the video.</source>
        <translation>Klicken Sie auf „Neue Aufnahme“, erledigen Sie die Aufgabe wie gewohnt und drücken Sie dann „Stopp“.
Kelvo macht aus jedem Klick einen beschrifteten Schritt und behält das Video.</translation>
    </message>
</context>
<context>
    <name>kelvo::ExportActions</name>
    <message>
        <source>Email</source>
        <translation>E-Mail</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Export HTML</source>
        <translation>HTML exportieren</translation>
    </message>
    <message>
        <source>Export Markdown</source>
        <translation>Markdown exportieren</translation>
    </message>
    <message>
        <source>Markdown folder (*)</source>
        <translation>Markdown-Ordner (*)</translation>
    </message>
    <message>
        <source>Folder name:</source>
        <translation>Ordnername:</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Couldn&apos;t use the folder “%1” for sharing: %2</source>
        <translation>Der Ordner „%1“ kann nicht zum Teilen verwendet werden: %2</translation>
    </message>
    <message>
        <source>it is a link to another place.</source>
        <translation>Er ist eine Verknüpfung zu einem anderen Ort.</translation>
    </message>
    <message>
        <source>it is not a folder.</source>
        <translation>Er ist kein Ordner.</translation>
    </message>
    <message>
        <source>it belongs to another user.</source>
        <translation>Er gehört einem anderen Benutzer.</translation>
    </message>
    <message>
        <source>Couldn&apos;t protect the folder “%1”: %2</source>
        <translation>Der Ordner „%1“ konnte nicht geschützt werden: %2</translation>
    </message>
    <message>
        <source>%1 Choose a new folder name.</source>
        <translation>%1 Wählen Sie einen neuen Ordnernamen.</translation>
    </message>
    <message>
        <source>Couldn&apos;t export</source>
        <translation>Export fehlgeschlagen</translation>
    </message>
</context>
<context>
    <name>kelvo::GuideEditing</name>
    <message>
        <source>Move Step</source>
        <translation>Schritt verschieben</translation>
    </message>
    <message>
        <source>Delete Step</source>
        <translation>Schritt löschen</translation>
    </message>
    <message>
        <source>Reorder Steps</source>
        <translation>Schritte umordnen</translation>
    </message>
</context>
<context>
    <name>kelvo::GuideEditorView</name>
    <message>
        <source>Guide editor</source>
        <translation>Anleitungseditor</translation>
    </message>
    <message>
        <source>Guide title</source>
        <translation>Titel der Anleitung</translation>
    </message>
    <message>
        <source>Export PDF</source>
        <translation>PDF exportieren</translation>
    </message>
    <message>
        <source>Export as</source>
        <translation>Exportieren als</translation>
    </message>
    <message>
        <source>Export as PDF, HTML or Markdown</source>
        <translation>Als PDF, HTML oder Markdown exportieren</translation>
    </message>
    <message>
        <source>Share PDF</source>
        <translation>PDF teilen</translation>
    </message>
    <message>
        <source>Share PDF (Shift+Ctrl+E)</source>
        <translation>PDF teilen (Umschalt+Strg+E)</translation>
    </message>
    <message>
        <source>Show in Files</source>
        <translation>In Dateien zeigen</translation>
    </message>
    <message>
        <source>Delete guide</source>
        <translation>Anleitung löschen</translation>
    </message>
    <message>
        <source>No steps captured</source>
        <translation>Keine Schritte aufgenommen</translation>
    </message>
    <message>
        <source>Nothing was clicked while recording. The video is still available on the right.</source>
        <translation>Während der Aufnahme wurde nichts angeklickt. Das Video steht rechts weiterhin zur Verfügung.</translation>
    </message>
    <message>
        <source>Steps</source>
        <translation>Schritte</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>On this computer</source>
        <translation>Auf diesem Computer</translation>
    </message>
    <message>
        <source>No video</source>
        <translation>Kein Video</translation>
    </message>
    <message>
        <source>Jump to a step</source>
        <translation>Zu einem Schritt springen</translation>
    </message>
    <message>
        <source>Steps will appear here.</source>
        <translation>Hier erscheinen die Schritte.</translation>
    </message>
    <message>
        <source>Export %1</source>
        <translation>%1 exportieren</translation>
    </message>
    <message>
        <source>Export PDF (Ctrl+E)</source>
        <translation>PDF exportieren (Strg+E)</translation>
    </message>
    <message>
        <source>Delete Guide</source>
        <translation>Anleitung löschen</translation>
    </message>
    <message>
        <source>Delete this guide and its video?</source>
        <translation>Diese Anleitung und ihr Video löschen?</translation>
    </message>
    <message>
        <source>This permanently removes the screenshots and recording from this computer.</source>
        <translation>Die Bildschirmfotos und die Aufnahme werden endgültig von diesem Computer entfernt.</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
</context>
<context>
    <name>kelvo::GuideExport</name>
    <message>
        <source>Couldn&apos;t create the HTML file (%1).</source>
        <translation>Die HTML-Datei konnte nicht erstellt werden (%1).</translation>
    </message>
    <message>
        <source>Couldn&apos;t write the Markdown folder “%1” (%2).</source>
        <translation>Der Markdown-Ordner „%1“ konnte nicht geschrieben werden (%2).</translation>
    </message>
    <message>
        <source>“%1” does not name a folder for the Markdown export.</source>
        <translation>„%1“ ist kein Ordnername für den Markdown-Export.</translation>
    </message>
    <message>
        <source>“%1” already exists and is not a folder.</source>
        <translation>„%1“ existiert bereits und ist kein Ordner.</translation>
    </message>
    <message>
        <source>The folder “%1” already exists and is not empty.</source>
        <translation>Der Ordner „%1“ existiert bereits und ist nicht leer.</translation>
    </message>
    <message>
        <source>The folder “%1” holds files Kelvo did not write; it is left as it is.</source>
        <translation>Der Ordner „%1“ enthält Dateien, die nicht von Kelvo stammen; er bleibt unverändert.</translation>
    </message>
</context>
<context>
    <name>kelvo::GuideRow</name>
    <message>
        <source>Untitled guide</source>
        <translation>Unbenannte Anleitung</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
</context>
<context>
    <name>kelvo::GuideStore</name>
    <message>
        <source>Couldn&apos;t read “%1”%2</source>
        <translation>„%1“ konnte nicht gelesen werden%2</translation>
    </message>
    <message>
        <source>: not a regular file</source>
        <translation>: keine normale Datei</translation>
    </message>
    <message>
        <source>: larger than %1 MB</source>
        <translation>: größer als %1 MB</translation>
    </message>
    <message>
        <source>Couldn&apos;t delete “%1”</source>
        <translation>„%1“ konnte nicht gelöscht werden</translation>
    </message>
    <message>
        <source>Couldn&apos;t delete “%1”: not a folder</source>
        <translation>„%1“ konnte nicht gelöscht werden: kein Ordner</translation>
    </message>
    <message>
        <source>Couldn&apos;t delete “%1/%2”</source>
        <translation>„%1/%2“ konnte nicht gelöscht werden</translation>
    </message>
    <message>
        <source>Couldn&apos;t create the folder “%1”: %2</source>
        <translation>Der Ordner „%1“ konnte nicht erstellt werden: %2</translation>
    </message>
    <message>
        <source>Couldn&apos;t create the folder “%1”: a file is in the way.</source>
        <translation>Der Ordner „%1“ konnte nicht erstellt werden: Eine Datei ist im Weg.</translation>
    </message>
    <message>
        <source>Couldn&apos;t lock the folder “%1” for recording</source>
        <translation>Der Ordner „%1“ konnte für die Aufnahme nicht gesperrt werden</translation>
    </message>
    <message>
        <source>The guide holds a number that cannot be written</source>
        <translation>Die Anleitung enthält eine Zahl, die nicht geschrieben werden kann</translation>
    </message>
    <message>
        <source>Couldn&apos;t write “%1”</source>
        <translation>„%1“ konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>no guide.json</source>
        <translation>keine guide.json</translation>
    </message>
    <message>
        <source>guide.json is a link</source>
        <translation>guide.json ist eine Verknüpfung</translation>
    </message>
    <message>
        <source>guide.json is damaged or not a Kelvo guide</source>
        <translation>guide.json ist beschädigt oder keine Kelvo-Anleitung</translation>
    </message>
</context>
<context>
    <name>kelvo::JumpRow</name>
    <message>
        <source>Step %1: %2</source>
        <translation>Schritt %1: %2</translation>
    </message>
    <message>
        <source>Plays the video from %1</source>
        <translation>Spielt das Video ab %1 ab</translation>
    </message>
</context>
<context>
    <name>kelvo::LibraryView</name>
    <message>
        <source>Recording problem</source>
        <translation>Problem bei der Aufnahme</translation>
    </message>
</context>
<context>
    <name>kelvo::MovieWriter</name>
    <message>
        <source>Couldn&apos;t prepare the video file: %1</source>
        <translation>Die Videodatei konnte nicht vorbereitet werden: %1</translation>
    </message>
    <message>
        <source>The HEVC encoder (libx265) is not available.</source>
        <translation>Der HEVC-Encoder (libx265) ist nicht verfügbar.</translation>
    </message>
    <message>
        <source>Out of memory while preparing the video encoder.</source>
        <translation>Nicht genug Speicher beim Vorbereiten des Video-Encoders.</translation>
    </message>
    <message>
        <source>Couldn&apos;t start the video encoder: %1</source>
        <translation>Der Video-Encoder konnte nicht gestartet werden: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t create the video file: %1</source>
        <translation>Die Videodatei konnte nicht erstellt werden: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t write the video file: %1</source>
        <translation>Die Videodatei konnte nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t prepare the colour conversion for the video.</source>
        <translation>Die Farbumwandlung für das Video konnte nicht vorbereitet werden.</translation>
    </message>
    <message>
        <source>A frame of the wrong size reached the video writer</source>
        <translation>Ein Bild mit falscher Größe erreichte die Videoausgabe</translation>
    </message>
    <message>
        <source>Couldn&apos;t encode the video</source>
        <translation>Das Video konnte nicht kodiert werden</translation>
    </message>
    <message>
        <source>Couldn&apos;t write the video file</source>
        <translation>Die Videodatei konnte nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Couldn&apos;t finish the video file</source>
        <translation>Die Videodatei konnte nicht abgeschlossen werden</translation>
    </message>
</context>
<context>
    <name>kelvo::NumberBadge</name>
    <message>
        <source>Step %1</source>
        <translation>Schritt %1</translation>
    </message>
</context>
<context>
    <name>kelvo::PageSize</name>
    <message>
        <source>US Letter</source>
        <translation>US Letter</translation>
    </message>
    <message>
        <source>A4</source>
        <translation>A4</translation>
    </message>
</context>
<context>
    <name>kelvo::PdfExport</name>
    <message>
        <source>Page %1</source>
        <translation>Seite %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t create the PDF file.</source>
        <translation>Die PDF-Datei konnte nicht erstellt werden.</translation>
    </message>
</context>
<context>
    <name>kelvo::PermissionRow</name>
    <message>
        <source>Enable</source>
        <translation>Aktivieren</translation>
    </message>
</context>
<context>
    <name>kelvo::PermissionsCard</name>
    <message>
        <source>Screen Recording</source>
        <translation>Bildschirmaufnahme</translation>
    </message>
    <message>
        <source>Records the video and takes a screenshot at every click.</source>
        <translation>Nimmt das Video auf und macht bei jedem Klick ein Bildschirmfoto.</translation>
    </message>
    <message>
        <source>Accessibility</source>
        <translation>Barrierefreiheit</translation>
    </message>
    <message>
        <source>Reads button and menu names so steps are written for you.</source>
        <translation>Liest die Namen von Schaltflächen und Menüs, damit die Schritte für Sie beschrieben werden.</translation>
    </message>
    <message>
        <source>After enabling Screen Recording, your desktop may ask you to quit and reopen Kelvo.</source>
        <translation>Nach dem Aktivieren der Bildschirmaufnahme fordert Ihr Desktop Sie eventuell auf, Kelvo zu beenden und neu zu öffnen.</translation>
    </message>
    <message>
        <source>Kelvo records through X11, and this Wayland session offers no X11 access, so screen recording is not available here yet.</source>
        <translation>Kelvo nimmt über X11 auf, und diese Wayland-Sitzung bietet keinen X11-Zugang; Bildschirmaufnahmen sind hier daher noch nicht möglich.</translation>
    </message>
    <message>
        <source>Two permissions to set up</source>
        <translation>Zwei Berechtigungen einrichten</translation>
    </message>
    <message>
        <source>Everything Kelvo records stays on this computer. It has no analytics. Its only use of the network is a daily check for updates.</source>
        <translation>Alles, was Kelvo aufnimmt, bleibt auf diesem Computer. Kelvo hat keine Analysefunktionen. Das Netzwerk nutzt es nur für die tägliche Suche nach Updates.</translation>
    </message>
    <message>
        <source>One permission to set up</source>
        <translation>Eine Berechtigung einrichten</translation>
    </message>
</context>
<context>
    <name>kelvo::PulsingDot</name>
    <message>
        <source>Recording</source>
        <translation>Aufnahme</translation>
    </message>
</context>
<context>
    <name>kelvo::RecordingHUDView</name>
    <message>
        <source>Starting in %1…</source>
        <translation>Start in %1 …</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Saving guide…</source>
        <translation>Anleitung wird gespeichert …</translation>
    </message>
</context>
<context>
    <name>kelvo::RecordingSession</name>
    <message>
        <source>Couldn&apos;t find the display to record.</source>
        <translation>Der aufzunehmende Bildschirm wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Kelvo needs Screen Recording permission before it can record.</source>
        <translation>Kelvo braucht die Berechtigung zur Bildschirmaufnahme, bevor es aufnehmen kann.</translation>
    </message>
    <message>
        <source>Couldn&apos;t find a display to record.</source>
        <translation>Es wurde kein Bildschirm zum Aufnehmen gefunden.</translation>
    </message>
    <message>
        <source>Couldn&apos;t start recording: %1</source>
        <translation>Die Aufnahme konnte nicht gestartet werden: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t save the guide: %1</source>
        <translation>Die Anleitung konnte nicht gespeichert werden: %1</translation>
    </message>
    <message>
        <source>Recording stopped unexpectedly: %1</source>
        <translation>Die Aufnahme wurde unerwartet beendet: %1</translation>
    </message>
    <message>
        <source>Guide – %1</source>
        <extracomment>The title of a new guide; %1 is the date and time it was recorded.</extracomment>
        <translation>Anleitung – %1</translation>
    </message>
</context>
<context>
    <name>kelvo::SaveProblemBanner</name>
    <message>
        <source>Retry</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Save problem</source>
        <translation>Problem beim Speichern</translation>
    </message>
    <message>
        <source>Couldn&apos;t save your changes: %1</source>
        <translation>Ihre Änderungen konnten nicht gespeichert werden: %1</translation>
    </message>
</context>
<context>
    <name>kelvo::SettingsDialog</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>Start or stop from any app</source>
        <translation>Aus jeder App starten oder beenden</translation>
    </message>
    <message>
        <source>System tray</source>
        <translation>Systemleiste</translation>
    </message>
    <message>
        <source>Click the list icon</source>
        <translation>Auf das Listensymbol klicken</translation>
    </message>
    <message>
        <source>Your data</source>
        <translation>Ihre Daten</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Show in Files</source>
        <translation>In Dateien zeigen</translation>
    </message>
    <message>
        <source>Guides, screenshots and videos are stored only on this computer. Kelvo has no account, no cloud sync and no analytics.</source>
        <translation>Anleitungen, Bildschirmfotos und Videos werden nur auf diesem Computer gespeichert. Kelvo hat kein Konto, keine Cloud-Synchronisierung und keine Analysefunktionen.</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>Check for updates automatically</source>
        <translation>Automatisch nach Updates suchen</translation>
    </message>
    <message>
        <source>Check Now</source>
        <translation>Jetzt suchen</translation>
    </message>
    <message>
        <source>Once a day Kelvo asks our website for a small file listing the latest version. It sends the app version and nothing else, and never downloads or installs anything by itself.</source>
        <translation>Einmal am Tag fragt Kelvo auf unserer Website eine kleine Datei mit der neuesten Version ab. Dabei sendet es nur die App-Version und lädt oder installiert nie selbst etwas.</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>PDF export</source>
        <translation>PDF-Export</translation>
    </message>
    <message>
        <source>Automatic (%1)</source>
        <translation>Automatisch (%1)</translation>
    </message>
    <message>
        <source>Page size</source>
        <translation>Seitenformat</translation>
    </message>
    <message>
        <source>Ctrl+Alt+Super+R</source>
        <translation>Strg+Alt+Super+R</translation>
    </message>
</context>
<context>
    <name>kelvo::SidebarView</name>
    <message>
        <source>Guides</source>
        <translation>Anleitungen</translation>
    </message>
    <message>
        <source>New Recording</source>
        <translation>Neue Aufnahme</translation>
    </message>
    <message>
        <source>Record a new guide (Shift+Ctrl+R)</source>
        <translation>Neue Anleitung aufnehmen (Umschalt+Strg+R)</translation>
    </message>
    <message>
        <source>Stop Recording</source>
        <translation>Aufnahme beenden</translation>
    </message>
    <message>
        <source>YOUR GUIDES</source>
        <translation>IHRE ANLEITUNGEN</translation>
    </message>
    <message>
        <source>Your guides</source>
        <translation>Ihre Anleitungen</translation>
    </message>
    <message>
        <source>Nothing here yet. Your recordings will show up here.</source>
        <translation>Noch nichts da. Ihre Aufnahmen erscheinen hier.</translation>
    </message>
    <message>
        <source>Stored only on this computer</source>
        <translation>Nur lokal gespeichert</translation>
    </message>
</context>
<context>
    <name>kelvo::StepCount</name>
    <message numerus="yes">
        <source>%n step</source>
        <translation>
            <numerusform>%n Schritt</numerusform>
            <numerusform>%n Schritte</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n steps</source>
        <translation>
            <numerusform>%n Schritt</numerusform>
            <numerusform>%n Schritte</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>kelvo::StepRowView</name>
    <message>
        <source>Play from here</source>
        <translation>Ab hier abspielen</translation>
    </message>
    <message>
        <source>Move step up</source>
        <translation>Schritt nach oben</translation>
    </message>
    <message>
        <source>Move step down</source>
        <translation>Schritt nach unten</translation>
    </message>
    <message>
        <source>Delete step</source>
        <translation>Schritt löschen</translation>
    </message>
    <message>
        <source>Delete step (Ctrl+Z to undo)</source>
        <translation>Schritt löschen (Strg+Z macht es rückgängig)</translation>
    </message>
    <message>
        <source>Step %1</source>
        <translation>Schritt %1</translation>
    </message>
    <message>
        <source>Caption for step %1</source>
        <translation>Beschriftung für Schritt %1</translation>
    </message>
    <message>
        <source>Screenshot for step %1</source>
        <translation>Bildschirmfoto für Schritt %1</translation>
    </message>
    <message>
        <source>Reorder step %1</source>
        <translation>Schritt %1 umordnen</translation>
    </message>
</context>
<context>
    <name>kelvo::UpdateAlert</name>
    <message>
        <source>Software Update</source>
        <translation>Softwareaktualisierung</translation>
    </message>
    <message>
        <source>&lt;b&gt;Kelvo %1 is available.&lt;/b&gt;</source>
        <translation>&lt;b&gt;Kelvo %1 ist verfügbar.&lt;/b&gt;</translation>
    </message>
    <message>
        <source>You have %1.</source>
        <translation>Sie haben %1.</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;%1&quot;&gt;Download Kelvo %2&lt;/a&gt;</source>
        <translation>&lt;a href=&quot;%1&quot;&gt;Kelvo %2 herunterladen&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;You&apos;re up to date.&lt;/b&gt;</source>
        <translation>&lt;b&gt;Kelvo ist auf dem neuesten Stand.&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Kelvo %1 is the newest version.</source>
        <translation>Kelvo %1 ist die neueste Version.</translation>
    </message>
    <message>
        <source>&lt;b&gt;Couldn&apos;t check for updates.&lt;/b&gt;</source>
        <translation>&lt;b&gt;Die Suche nach Updates ist fehlgeschlagen.&lt;/b&gt;</translation>
    </message>
</context>
<context>
    <name>kelvo::UpdateQuestion</name>
    <message>
        <source>Check Automatically</source>
        <translation>Automatisch suchen</translation>
    </message>
    <message>
        <source>Not Now</source>
        <translation>Nicht jetzt</translation>
    </message>
    <message>
        <source>Update checks</source>
        <translation>Suche nach Updates</translation>
    </message>
    <message>
        <source>Check for new versions of Kelvo once a day? Kelvo would send its version number to the update server and nothing else.</source>
        <translation>Einmal am Tag nach neuen Versionen von Kelvo suchen? Kelvo würde dabei nur seine Versionsnummer an den Update-Server senden.</translation>
    </message>
</context>
<context>
    <name>kelvo::Updater</name>
    <message>
        <source>Couldn&apos;t check for updates</source>
        <translation>Die Suche nach Updates ist fehlgeschlagen</translation>
    </message>
    <message>
        <source>The update feed is too large.</source>
        <translation>Der Update-Feed ist zu groß.</translation>
    </message>
    <message>
        <source>Couldn&apos;t check for updates: %1</source>
        <translation>Die Suche nach Updates ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Couldn&apos;t check for updates: the server answered %1.</source>
        <translation>Die Suche nach Updates ist fehlgeschlagen: Der Server antwortete mit %1.</translation>
    </message>
    <message>
        <source>The update feed could not be read.</source>
        <translation>Der Update-Feed konnte nicht gelesen werden.</translation>
    </message>
</context>
<context>
    <name>kelvo::VideoPlayerView</name>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
</context>
<context>
    <name>kelvo::X11RecordingEngine</name>
    <message>
        <source>The X server offers no shared memory (MIT-SHM).</source>
        <translation>Der X-Server bietet keinen gemeinsamen Speicher (MIT-SHM).</translation>
    </message>
    <message>
        <source>The screen&apos;s colour depth (%1 bits) cannot be recorded.</source>
        <translation>Die Farbtiefe des Bildschirms (%1 Bit) kann nicht aufgenommen werden.</translation>
    </message>
    <message>
        <source>Couldn&apos;t set up shared memory for screen capture.</source>
        <translation>Gemeinsamer Speicher für die Bildschirmaufnahme konnte nicht eingerichtet werden.</translation>
    </message>
    <message>
        <source>A recording is already running.</source>
        <translation>Es läuft bereits eine Aufnahme.</translation>
    </message>
    <message>
        <source>Couldn&apos;t connect to the X display.</source>
        <translation>Keine Verbindung zum X-Display.</translation>
    </message>
    <message>
        <source>Couldn&apos;t capture the screen.</source>
        <translation>Der Bildschirm konnte nicht aufgenommen werden.</translation>
    </message>
    <message>
        <source>The connection to the X server was lost.</source>
        <translation>Die Verbindung zum X-Server wurde unterbrochen.</translation>
    </message>
    <message>
        <source>Couldn&apos;t capture the screen: the display has changed.</source>
        <translation>Der Bildschirm konnte nicht aufgenommen werden: Die Anzeige hat sich geändert.</translation>
    </message>
</context>
<context>
    <name>kelvo::cli::RecordRun</name>
    <message>
        <source>Steps: %1</source>
        <translation>Schritte: %1</translation>
    </message>
    <message>
        <source>Starting in %1…</source>
        <translation>Start in %1 …</translation>
    </message>
    <message>
        <source>Recording. Press Ctrl+C or Ctrl+Alt+Super+R to stop.</source>
        <translation>Aufnahme läuft. Strg+C oder Strg+Alt+Super+R beendet sie.</translation>
    </message>
    <message>
        <source>Recording. Press Ctrl+C to stop.</source>
        <translation>Aufnahme läuft. Strg+C beendet sie.</translation>
    </message>
    <message>
        <source>Finishing…</source>
        <translation>Wird abgeschlossen …</translation>
    </message>
</context>
</TS>
