<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>CDlgAbout</name>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>Icon manager and icon converter</source>
        <translation>Symbolverwaltung und Symbolkonverter</translation>
    </message>
</context>
<context>
    <name>CDlgBarPrvw</name>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
</context>
<context>
    <name>CDlgDelFmts</name>
    <message>
        <source>Remove Image Formats from Selected Icons</source>
        <translation>Bildformate aus den ausgewählten Symbolen entfernen</translation>
    </message>
    <message>
        <source>&amp;Never delete the largest image in icons</source>
        <translation>Das größte Bild eines Symbols &amp;nie löschen</translation>
    </message>
</context>
<context>
    <name>CDlgEditWait</name>
    <message>
        <source>&apos;%1&apos; has no icon data to edit.</source>
        <translation>„%1“ hat keine Symboldaten zum Bearbeiten.</translation>
    </message>
    <message>
        <source>Can not write &apos;%1&apos;!</source>
        <translation>„%1“ kann nicht geschrieben werden!</translation>
    </message>
    <message>
        <source>No program was found to edit &apos;%1&apos;.</source>
        <translation>Es wurde kein Programm zum Bearbeiten von „%1“ gefunden.</translation>
    </message>
    <message>
        <source>The desktop</source>
        <translation>Die Arbeitsumgebung</translation>
    </message>
    <message>
        <source>Can not start &apos;%1&apos;!</source>
        <translation>„%1“ kann nicht gestartet werden!</translation>
    </message>
    <message>
        <source>Edit with Associated Program</source>
        <translation>Mit zugeordnetem Programm bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Done Editing</source>
        <translation>Bearbeitung &amp;fertig</translation>
    </message>
    <message>
        <source>Waiting for %1 to finish editing &apos;%2&apos;.
The icon is updated when %1 ends; choose Done Editing to take what it saved so far.</source>
        <translation>Warten, bis %1 die Bearbeitung von „%2“ abschließt.
Das Symbol wird aktualisiert, wenn %1 endet; wählen Sie „Bearbeitung fertig“, um zu übernehmen, was bisher gespeichert wurde.</translation>
    </message>
    <message>
        <source>%1 handed &apos;%2&apos; to a window of its own and returned at once, so its end cannot be seen from here.
Save the icon there, then choose Done Editing; Cancel leaves the icon as it is.</source>
        <translation>%1 hat „%2“ an ein eigenes Fenster übergeben und sofort zurückgekehrt, daher ist sein Ende von hier aus nicht erkennbar.
Speichern Sie das Symbol dort und wählen Sie dann „Bearbeitung fertig“; „Abbrechen“ lässt das Symbol unverändert.</translation>
    </message>
</context>
<context>
    <name>CDlgExpGrid</name>
    <message>
        <source>Image Joint</source>
        <translation>Bilder zusammenfügen</translation>
    </message>
    <message>
        <source>S&amp;quare</source>
        <translation>&amp;Quadratisch</translation>
    </message>
    <message>
        <source>S&amp;trip (%1x1)</source>
        <translation>&amp;Streifen (%1x1)</translation>
    </message>
    <message>
        <source>Sq&amp;uare (%1x%2)</source>
        <translation>Q&amp;uadrat (%1x%2)</translation>
    </message>
    <message>
        <source>&amp;Custom columns/rows:</source>
        <translation>&amp;Eigene Spalten/Zeilen:</translation>
    </message>
    <message>
        <source>&amp;Interval space:</source>
        <translation>&amp;Abstand:</translation>
    </message>
    <message>
        <source> pixels</source>
        <translation> Pixel</translation>
    </message>
    <message>
        <source>&amp;Background color:</source>
        <translation>Hinter&amp;grundfarbe:</translation>
    </message>
    <message>
        <source>Choose the background colour</source>
        <translation>Hintergrundfarbe wählen</translation>
    </message>
    <message>
        <source>Image Size</source>
        <translation>Bildgröße</translation>
    </message>
    <message>
        <source>&amp;Width:</source>
        <translation>&amp;Breite:</translation>
    </message>
    <message>
        <source>&amp;Height:</source>
        <translation>&amp;Höhe:</translation>
    </message>
    <message>
        <source>Layout</source>
        <translation>Anordnung</translation>
    </message>
</context>
<context>
    <name>CDlgIconExp</name>
    <message>
        <source>Export Selected Icons</source>
        <translation>Ausgewählte Symbole exportieren</translation>
    </message>
    <message>
        <source>Choose the folder</source>
        <translation>Ordner wählen</translation>
    </message>
    <message>
        <source>Export each image format to &amp;single file separately</source>
        <translation>Jedes Bildformat in eine &amp;eigene Datei exportieren</translation>
    </message>
    <message>
        <source>Export with &amp;custom image formats</source>
        <translation>Mit &amp;individuellen Bildformaten exportieren</translation>
    </message>
    <message>
        <source>&amp;Auto generate desired image formats if not exist</source>
        <translation>Fehlende gewünschte Bildformate auto&amp;matisch erzeugen</translation>
    </message>
    <message>
        <source>File &amp;Format:</source>
        <translation>&amp;Dateiformat:</translation>
    </message>
    <message>
        <source>&amp;Directory:</source>
        <translation>&amp;Ordner:</translation>
    </message>
    <message>
        <source>Export to</source>
        <translation>Exportieren nach</translation>
    </message>
</context>
<context>
    <name>CDlgIconFind</name>
    <message>
        <source>Selected and descendant categories</source>
        <translation>Ausgewählte Kategorie und Unterkategorien</translation>
    </message>
    <message>
        <source>Only selected category</source>
        <translation>Nur ausgewählte Kategorie</translation>
    </message>
    <message>
        <source>All categories</source>
        <translation>Alle Kategorien</translation>
    </message>
    <message>
        <source>Find Icons</source>
        <translation>Symbole suchen</translation>
    </message>
    <message>
        <source>Case sensitive</source>
        <translation>Groß-/Kleinschreibung beachten</translation>
    </message>
    <message>
        <source>Whole word only</source>
        <translation>Nur ganze Wörter</translation>
    </message>
    <message>
        <source>Regular expression</source>
        <translation>Regulärer Ausdruck</translation>
    </message>
    <message>
        <source>Names</source>
        <translation>Namen</translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation>Stichwörter</translation>
    </message>
    <message>
        <source>Find what:</source>
        <translation>Suchen nach:</translation>
    </message>
    <message>
        <source>Scope:</source>
        <translation>Bereich:</translation>
    </message>
    <message>
        <source> Options </source>
        <translation> Optionen </translation>
    </message>
    <message>
        <source> Occurrence </source>
        <translation> Vorkommen </translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>&amp;Suchen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
</context>
<context>
    <name>CDlgIconFmts</name>
    <message>
        <source>Add the formats of the selected presets</source>
        <translation>Die Formate der ausgewählten Vorlagen hinzufügen</translation>
    </message>
    <message>
        <source>Add the selected formats</source>
        <translation>Die ausgewählten Formate hinzufügen</translation>
    </message>
    <message>
        <source>Image Format Presets</source>
        <translation>Bildformat-Vorlagen</translation>
    </message>
    <message>
        <source>S&amp;quare</source>
        <translation>&amp;Quadratisch</translation>
    </message>
    <message>
        <source>Add the custom format</source>
        <translation>Das eigene Format hinzufügen</translation>
    </message>
    <message>
        <source>Custom Image Format</source>
        <translation>Eigenes Bildformat</translation>
    </message>
    <message>
        <source>&amp;Width:</source>
        <translation>&amp;Breite:</translation>
    </message>
    <message>
        <source>&amp;Height:</source>
        <translation>&amp;Höhe:</translation>
    </message>
    <message>
        <source>C&amp;olors:</source>
        <translation>&amp;Farben:</translation>
    </message>
    <message>
        <source>Remove the selected formats</source>
        <translation>Die ausgewählten Formate entfernen</translation>
    </message>
    <message>
        <source>Clear...</source>
        <translation>Leeren...</translation>
    </message>
    <message>
        <source>Remove every format</source>
        <translation>Alle Formate entfernen</translation>
    </message>
    <message>
        <source>&amp;Except above image formats</source>
        <translation>&amp;Außer den obigen Bildformaten</translation>
    </message>
    <message>
        <source>Desired Image Formats</source>
        <translation>Gewünschte Bildformate</translation>
    </message>
    <message>
        <source>Are you sure you want to remove all the image formats?</source>
        <translation>Möchten Sie wirklich alle Bildformate entfernen?</translation>
    </message>
</context>
<context>
    <name>CDlgIconInfo</name>
    <message>
        <source>Icon Information</source>
        <translation>Symbolinformationen</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
</context>
<context>
    <name>CDlgImgExp</name>
    <message>
        <source>Export Selected Images</source>
        <translation>Ausgewählte Bilder exportieren</translation>
    </message>
</context>
<context>
    <name>CDlgImpGrid</name>
    <message>
        <source>Please enter an integer between 1 and 2147483647.</source>
        <translation>Bitte geben Sie eine ganze Zahl zwischen 1 und 2147483647 ein.</translation>
    </message>
    <message>
        <source>Image Segmentation</source>
        <translation>Bilder zerteilen</translation>
    </message>
    <message>
        <source>By subimage &amp;width:</source>
        <translation>Nach Teilbild&amp;breite:</translation>
    </message>
    <message>
        <source>By &amp;horizontal subimage count:</source>
        <translation>Nach Anzahl der Teilbilder &amp;waagerecht:</translation>
    </message>
    <message>
        <source>By subimage &amp;height:</source>
        <translation>Nach Teilbild&amp;höhe:</translation>
    </message>
    <message>
        <source>By &amp;vertical subimage count:</source>
        <translation>Nach Anzahl der Teilbilder &amp;senkrecht:</translation>
    </message>
    <message>
        <source>S&amp;quare</source>
        <translation>&amp;Quadratisch</translation>
    </message>
    <message>
        <source>Columns</source>
        <translation>Spalten</translation>
    </message>
    <message>
        <source>Rows</source>
        <translation>Zeilen</translation>
    </message>
</context>
<context>
    <name>CDlgNewFmts</name>
    <message>
        <source>New Image Formats</source>
        <translation>Neue Bildformate</translation>
    </message>
    <message>
        <source>Creation &amp;based on the selected image</source>
        <translation>Aus dem ausgewählten Bild &amp;erstellen</translation>
    </message>
</context>
<context>
    <name>CDlgOpt</name>
    <message>
        <source>Enlarge to standard icon format</source>
        <translation>Auf Standard-Symbolformat vergrößern</translation>
    </message>
    <message>
        <source>Shrink to standard icon format</source>
        <translation>Auf Standard-Symbolformat verkleinern</translation>
    </message>
    <message>
        <source>Keep original size</source>
        <translation>Originalgröße beibehalten</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Also import icons when import disk directory tree</source>
        <translation>Beim Import einer Ordnerstruktur auch die Symbole importieren</translation>
    </message>
    <message>
        <source>Edit icons with the specified program</source>
        <translation>Symbole mit dem angegebenen Programm bearbeiten</translation>
    </message>
    <message>
        <source>Store generated images PNG-compressed from</source>
        <translation>Erzeugte Bilder PNG-komprimiert speichern ab</translation>
    </message>
    <message>
        <source> pixels</source>
        <translation> Pixel</translation>
    </message>
    <message>
        <source>Clear...</source>
        <translation>Leeren...</translation>
    </message>
    <message>
        <source>Reset Defaults...</source>
        <translation>Standardwerte wiederherstellen...</translation>
    </message>
    <message>
        <source>Default import filters:</source>
        <translation>Standard-Importfilter:</translation>
    </message>
    <message>
        <source>Output format when Drag&amp;&amp;Drop images to the file manager:</source>
        <translation>Ausgabeformat beim Ziehen von Bildern in die Dateiverwaltung:</translation>
    </message>
    <message>
        <source>Resizing mode when import image files:</source>
        <translation>Größenanpassung beim Import von Bilddateien:</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Find history length:</source>
        <translation>Länge des Suchverlaufs:</translation>
    </message>
    <message>
        <source>Are you sure you want to clear the find history?</source>
        <translation>Möchten Sie den Suchverlauf wirklich löschen?</translation>
    </message>
    <message>
        <source>Are you sure you want to restore all the default settings?</source>
        <translation>Möchten Sie wirklich alle Standardeinstellungen wiederherstellen?</translation>
    </message>
</context>
<context>
    <name>CDlgPrg</name>
    <message>
        <source>&amp;&lt;&lt; Details</source>
        <translation>&amp;&lt;&lt; Details</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&lt;&lt; &amp;Details</source>
        <translation>&lt;&lt; &amp;Details</translation>
    </message>
    <message>
        <source>&amp;Details &gt;&gt;</source>
        <translation>&amp;Details &gt;&gt;</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Fortsetzen</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Are you sure you want to abort the processing?</source>
        <translation>Möchten Sie die Verarbeitung wirklich abbrechen?</translation>
    </message>
</context>
<context>
    <name>CDlgZsMsgBox</name>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
</context>
<context>
    <name>CDocManagerZIL</name>
    <message>
        <source>Extended Icon Library Files (*.pctv)</source>
        <translation>Erweiterte Symbolbibliotheken (*.pctv)</translation>
    </message>
    <message>
        <source>Recent File</source>
        <translation>Zuletzt geöffnete Datei</translation>
    </message>
    <message>
        <source>Library%1</source>
        <translation>Bibliothek%1</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Save changes to %1?</source>
        <translation>Änderungen an %1 speichern?</translation>
    </message>
</context>
<context>
    <name>CDocZIL</name>
    <message>
        <source>Can not open &apos;%1&apos;!
%2</source>
        <translation>„%1“ kann nicht geöffnet werden!
%2</translation>
    </message>
    <message>
        <source>The library &apos;%1&apos; holds damaged icons:
%2.
They show no picture and are left out of exports.</source>
        <translation>Die Bibliothek „%1“ enthält beschädigte Symbole:
%2.
Sie zeigen kein Bild und werden beim Exportieren ausgelassen.</translation>
    </message>
    <message>
        <source>Can not save file &apos;%1&apos;!
%2

Save the library under another name?</source>
        <translation>Die Datei „%1“ kann nicht gespeichert werden!
%2

Die Bibliothek unter einem anderen Namen speichern?</translation>
    </message>
    <message>
        <source>Can not save file &apos;%1&apos;!
%2

Saving here would overwrite the other program&apos;s changes, so nothing was written. Your changes are kept in this window: save them under another name (a copy of the whole library as this window shows it), or reopen the library to see it as the other program left it.</source>
        <translation>Die Datei „%1“ kann nicht gespeichert werden!
%2

Speichern an dieser Stelle würde die Änderungen des anderen Programms überschreiben, daher wurde nichts geschrieben. Ihre Änderungen bleiben in diesem Fenster erhalten: Speichern Sie sie unter einem anderen Namen (eine Kopie der ganzen Bibliothek, wie dieses Fenster sie zeigt), oder öffnen Sie die Bibliothek neu, um sie so zu sehen, wie das andere Programm sie hinterlassen hat.</translation>
    </message>
    <message>
        <source>Can not save file &apos;%1&apos;!
%2

Saving here would overwrite the other program&apos;s changes, so nothing was written. Your changes are kept in this window: save them under another name (a copy of the whole library as this window shows it).</source>
        <translation>Die Datei „%1“ kann nicht gespeichert werden!
%2

Speichern an dieser Stelle würde die Änderungen des anderen Programms überschreiben, daher wurde nichts geschrieben. Ihre Änderungen bleiben in diesem Fenster erhalten: Speichern Sie sie unter einem anderen Namen (eine Kopie der ganzen Bibliothek, wie dieses Fenster sie zeigt).</translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>&amp;Reopen</source>
        <translation>&amp;Neu öffnen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Reopen &apos;%1&apos; as the other program left it? Your unsaved changes are lost.</source>
        <translation>„%1“ so neu öffnen, wie das andere Programm sie hinterlassen hat? Ihre ungespeicherten Änderungen gehen verloren.</translation>
    </message>
    <message>
        <source>The file is currently opened in %1.
Please close it first.</source>
        <translation>Die Datei ist gerade in %1 geöffnet.
Bitte schließen Sie sie zuerst.</translation>
    </message>
    <message>
        <source>Can not save file &apos;%1&apos;!
%2</source>
        <translation>Die Datei „%1“ kann nicht gespeichert werden!
%2</translation>
    </message>
    <message>
        <source>Selection: %1 Icons</source>
        <translation>Auswahl: %1 Symbole</translation>
    </message>
    <message>
        <source>Selection: %1 (%2 format)</source>
        <translation>Auswahl: %1 (%2 Format)</translation>
    </message>
    <message>
        <source>Selection: %1 (%2 formats)</source>
        <translation>Auswahl: %1 (%2 Formate)</translation>
    </message>
    <message>
        <source>Selection: None</source>
        <translation>Auswahl: keine</translation>
    </message>
    <message>
        <source>Total: None</source>
        <translation>Gesamt: keine</translation>
    </message>
    <message>
        <source>Total: %1 Icon</source>
        <translation>Gesamt: %1 Symbol</translation>
    </message>
    <message>
        <source>Total: %1 Icons</source>
        <translation>Gesamt: %1 Symbole</translation>
    </message>
    <message>
        <source>This will start optimizing for size for the library &apos;%1&apos;. It may take long for large libraries. Proceed now?</source>
        <translation>Die Bibliothek „%1“ wird jetzt auf ihre Größe optimiert. Bei großen Bibliotheken kann das lange dauern. Jetzt fortfahren?</translation>
    </message>
    <message>
        <source>Can not compact &apos;%1&apos;!</source>
        <translation>„%1“ kann nicht komprimiert werden!</translation>
    </message>
</context>
<context>
    <name>CFrmHelp</name>
    <message>
        <source>%1 Help</source>
        <translation>%1-Hilfe</translation>
    </message>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Zurück</translation>
    </message>
    <message>
        <source>&amp;Forward</source>
        <translation>&amp;Vor</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Inhalt</translation>
    </message>
</context>
<context>
    <name>CFrmMain</name>
    <message>
        <source>Selection: IDI_APPLICATION_SHELL_ICON (99 formats)</source>
        <translation>Auswahl: IDI_APPLICATION_SHELL_ICON (99 Formate)</translation>
    </message>
    <message>
        <source>Total: 999999 Icons</source>
        <translation>Gesamt: 999999 Symbole</translation>
    </message>
    <message>
        <source>&amp;New Library	Ctrl+N</source>
        <translation>&amp;Neue Bibliothek	Ctrl+N</translation>
    </message>
    <message>
        <source>Create a new extended icon library</source>
        <translation>Eine neue erweiterte Symbolbibliothek anlegen</translation>
    </message>
    <message>
        <source>&amp;Open...	Ctrl+O</source>
        <translation>Ö&amp;ffnen...	Ctrl+O</translation>
    </message>
    <message>
        <source>Open an existing extended icon library</source>
        <translation>Eine vorhandene erweiterte Symbolbibliothek öffnen</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>Schl&amp;ießen</translation>
    </message>
    <message>
        <source>Close the active library</source>
        <translation>Die aktive Bibliothek schließen</translation>
    </message>
    <message>
        <source>&amp;Save	Ctrl+S</source>
        <translation>&amp;Speichern	Ctrl+S</translation>
    </message>
    <message>
        <source>Save the active library</source>
        <translation>Die aktive Bibliothek speichern</translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>Save the active library with a new name</source>
        <translation>Die aktive Bibliothek unter einem neuen Namen speichern</translation>
    </message>
    <message>
        <source>Save A&amp;ll	Ctrl+Shift+S</source>
        <translation>&amp;Alle speichern	Ctrl+Shift+S</translation>
    </message>
    <message>
        <source>Save all open libraries</source>
        <translation>Alle geöffneten Bibliotheken speichern</translation>
    </message>
    <message>
        <source>Co&amp;mpact...</source>
        <translation>&amp;Komprimieren...</translation>
    </message>
    <message>
        <source>Optimize the active library for size</source>
        <translation>Die aktive Bibliothek auf ihre Größe optimieren</translation>
    </message>
    <message>
        <source>Recent File</source>
        <translation>Zuletzt geöffnete Datei</translation>
    </message>
    <message>
        <source>Open this library</source>
        <translation>Diese Bibliothek öffnen</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Quit the application; prompts to save libraries</source>
        <translation>Das Programm beenden; fragt, ob Bibliotheken gespeichert werden sollen</translation>
    </message>
    <message>
        <source>Cu&amp;t	Ctrl+X</source>
        <translation>&amp;Ausschneiden	Ctrl+X</translation>
    </message>
    <message>
        <source>Cut the selection and put it on the Clipboard</source>
        <translation>Die Auswahl ausschneiden und in die Zwischenablage legen</translation>
    </message>
    <message>
        <source>&amp;Copy	Ctrl+C</source>
        <translation>&amp;Kopieren	Ctrl+C</translation>
    </message>
    <message>
        <source>Copy the selection and put it on the Clipboard</source>
        <translation>Die Auswahl kopieren und in die Zwischenablage legen</translation>
    </message>
    <message>
        <source>&amp;Paste	Ctrl+V</source>
        <translation>&amp;Einfügen	Ctrl+V</translation>
    </message>
    <message>
        <source>Insert Clipboard contents</source>
        <translation>Den Inhalt der Zwischenablage einfügen</translation>
    </message>
    <message>
        <source>&amp;Delete...	Del</source>
        <translation>&amp;Löschen...	Del</translation>
    </message>
    <message>
        <source>Delete the selection</source>
        <translation>Die Auswahl löschen</translation>
    </message>
    <message>
        <source>Select &amp;All	Ctrl+A</source>
        <translation>Alles a&amp;uswählen	Ctrl+A</translation>
    </message>
    <message>
        <source>Select all icons</source>
        <translation>Alle Symbole auswählen</translation>
    </message>
    <message>
        <source>&amp;Invert Selection	Ctrl+I</source>
        <translation>Auswahl umke&amp;hren	Ctrl+I</translation>
    </message>
    <message>
        <source>Invert the selection of icons</source>
        <translation>Die Auswahl der Symbole umkehren</translation>
    </message>
    <message>
        <source>&amp;Find Icons...	Ctrl+F</source>
        <translation>Symbole &amp;suchen...	Ctrl+F</translation>
    </message>
    <message>
        <source>Find icons by name and keywords</source>
        <translation>Symbole nach Name und Stichwörtern suchen</translation>
    </message>
    <message>
        <source>New &amp;Category</source>
        <translation>Neue &amp;Kategorie</translation>
    </message>
    <message>
        <source>Add a category under the selected one</source>
        <translation>Eine Kategorie unter der ausgewählten anlegen</translation>
    </message>
    <message>
        <source>New Sibling Category &amp;Above</source>
        <translation>Neue Kategorie &amp;oberhalb</translation>
    </message>
    <message>
        <source>Add a category above the selected one</source>
        <translation>Eine Kategorie oberhalb der ausgewählten anlegen</translation>
    </message>
    <message>
        <source>New Sibling Category &amp;Below</source>
        <translation>Neue Kategorie &amp;unterhalb</translation>
    </message>
    <message>
        <source>Add a category below the selected one</source>
        <translation>Eine Kategorie unterhalb der ausgewählten anlegen</translation>
    </message>
    <message>
        <source>&amp;Import from Disk Directory Tree...</source>
        <translation>Aus Ordnerstruktur &amp;importieren...</translation>
    </message>
    <message>
        <source>Import a directory tree as categories</source>
        <translation>Eine Ordnerstruktur als Kategorien importieren</translation>
    </message>
    <message>
        <source>&amp;Export to Disk Directory Tree...</source>
        <translation>In Ordnerstruktur e&amp;xportieren...</translation>
    </message>
    <message>
        <source>Export the selected category as a directory tree</source>
        <translation>Die ausgewählte Kategorie als Ordnerstruktur exportieren</translation>
    </message>
    <message>
        <source>&amp;Rename	F2</source>
        <translation>Um&amp;benennen	F2</translation>
    </message>
    <message>
        <source>Rename the selected category</source>
        <translation>Die ausgewählte Kategorie umbenennen</translation>
    </message>
    <message>
        <source>I&amp;mport Icons...	Ctrl+M</source>
        <translation>Symbole i&amp;mportieren...	Ctrl+M</translation>
    </message>
    <message>
        <source>Import icons from files</source>
        <translation>Symbole aus Dateien importieren</translation>
    </message>
    <message>
        <source>&amp;Import Icons from Disk Directory...</source>
        <translation>Symbole aus &amp;Ordner importieren...</translation>
    </message>
    <message>
        <source>Import the icons of a directory</source>
        <translation>Die Symbole eines Ordners importieren</translation>
    </message>
    <message>
        <source>Import Icons from Image &amp;Strips/Grids...</source>
        <translation>Symbole aus Bild&amp;streifen/-rastern importieren...</translation>
    </message>
    <message>
        <source>Cut images into icons</source>
        <translation>Bilder in Symbole zerteilen</translation>
    </message>
    <message>
        <source>Ex&amp;port Icons...	Ctrl+P</source>
        <translation>Symbole e&amp;xportieren...	Ctrl+P</translation>
    </message>
    <message>
        <source>Export the selected icons to files</source>
        <translation>Die ausgewählten Symbole in Dateien exportieren</translation>
    </message>
    <message>
        <source>Export Icons to Image Strip/&amp;Grid...</source>
        <translation>Symbole als Bildstreifen/-&amp;raster exportieren...</translation>
    </message>
    <message>
        <source>Export the selected icons as one image</source>
        <translation>Die ausgewählten Symbole als ein Bild exportieren</translation>
    </message>
    <message>
        <source>Me&amp;rge Icons</source>
        <translation>Symbole &amp;zusammenführen</translation>
    </message>
    <message>
        <source>Merge pairs of selected icons</source>
        <translation>Paare ausgewählter Symbole zusammenführen</translation>
    </message>
    <message>
        <source>&amp;Delete Formats from Icons...</source>
        <translation>&amp;Formate aus Symbolen löschen...</translation>
    </message>
    <message>
        <source>Delete image formats from the selected icons</source>
        <translation>Bildformate aus den ausgewählten Symbolen löschen</translation>
    </message>
    <message>
        <source>&amp;Edit with Associated Program...	Ctrl+E</source>
        <translation>Mit zugeordnetem &amp;Programm bearbeiten...	Ctrl+E</translation>
    </message>
    <message>
        <source>Edit the selected icons in another program</source>
        <translation>Die ausgewählten Symbole in einem anderen Programm bearbeiten</translation>
    </message>
    <message>
        <source>Pr&amp;operties...</source>
        <translation>E&amp;igenschaften...</translation>
    </message>
    <message>
        <source>Name and keywords of the selected icons</source>
        <translation>Name und Stichwörter der ausgewählten Symbole</translation>
    </message>
    <message>
        <source>&amp;New Images...</source>
        <translation>&amp;Neue Bilder...</translation>
    </message>
    <message>
        <source>Add image formats to the icon</source>
        <translation>Dem Symbol Bildformate hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Export Images...</source>
        <translation>Bilder e&amp;xportieren...</translation>
    </message>
    <message>
        <source>Export the selected images to files</source>
        <translation>Die ausgewählten Bilder in Dateien exportieren</translation>
    </message>
    <message>
        <source>&amp;Toolbar</source>
        <translation>&amp;Werkzeugleiste</translation>
    </message>
    <message>
        <source>Show or hide the toolbar</source>
        <translation>Die Werkzeugleiste ein- oder ausblenden</translation>
    </message>
    <message>
        <source>&amp;Status Bar</source>
        <translation>Status&amp;leiste</translation>
    </message>
    <message>
        <source>Show or hide the status bar</source>
        <translation>Die Statusleiste ein- oder ausblenden</translation>
    </message>
    <message>
        <source>&amp;Preview</source>
        <translation>&amp;Vorschau</translation>
    </message>
    <message>
        <source>Show or hide the preview bar</source>
        <translation>Die Vorschauleiste ein- oder ausblenden</translation>
    </message>
    <message>
        <source>16x16</source>
        <translation>16x16</translation>
    </message>
    <message>
        <source>Show icons at 16x16</source>
        <translation>Symbole in 16x16 anzeigen</translation>
    </message>
    <message>
        <source>24x24</source>
        <translation>24x24</translation>
    </message>
    <message>
        <source>Show icons at 24x24</source>
        <translation>Symbole in 24x24 anzeigen</translation>
    </message>
    <message>
        <source>32x32</source>
        <translation>32x32</translation>
    </message>
    <message>
        <source>Show icons at 32x32</source>
        <translation>Symbole in 32x32 anzeigen</translation>
    </message>
    <message>
        <source>48x48</source>
        <translation>48x48</translation>
    </message>
    <message>
        <source>Show icons at 48x48</source>
        <translation>Symbole in 48x48 anzeigen</translation>
    </message>
    <message>
        <source>64x64</source>
        <translation>64x64</translation>
    </message>
    <message>
        <source>Show icons at 64x64</source>
        <translation>Symbole in 64x64 anzeigen</translation>
    </message>
    <message>
        <source>72x72</source>
        <translation>72x72</translation>
    </message>
    <message>
        <source>Show icons at 72x72</source>
        <translation>Symbole in 72x72 anzeigen</translation>
    </message>
    <message>
        <source>80x80</source>
        <translation>80x80</translation>
    </message>
    <message>
        <source>Show icons at 80x80</source>
        <translation>Symbole in 80x80 anzeigen</translation>
    </message>
    <message>
        <source>96x96</source>
        <translation>96x96</translation>
    </message>
    <message>
        <source>Show icons at 96x96</source>
        <translation>Symbole in 96x96 anzeigen</translation>
    </message>
    <message>
        <source>128x128</source>
        <translation>128x128</translation>
    </message>
    <message>
        <source>Show icons at 128x128</source>
        <translation>Symbole in 128x128 anzeigen</translation>
    </message>
    <message>
        <source>256x256</source>
        <translation>256x256</translation>
    </message>
    <message>
        <source>Show icons at 256x256</source>
        <translation>Symbole in 256x256 anzeigen</translation>
    </message>
    <message>
        <source>&amp;Display Icon Info</source>
        <translation>Symbol&amp;informationen anzeigen</translation>
    </message>
    <message>
        <source>Show names and formats under the icons</source>
        <translation>Namen und Formate unter den Symbolen anzeigen</translation>
    </message>
    <message>
        <source>Wrap Icons in &amp;Rows</source>
        <translation>Symbole in &amp;Zeilen umbrechen</translation>
    </message>
    <message>
        <source>Lay the icons out in rows that wrap at the window&apos;s width and scroll down</source>
        <translation>Die Symbole in Zeilen anordnen, die an der Fensterbreite umbrechen, und nach unten blättern</translation>
    </message>
    <message>
        <source>&amp;Options...</source>
        <translation>&amp;Einstellungen...</translation>
    </message>
    <message>
        <source>Change the program&apos;s options</source>
        <translation>Die Einstellungen des Programms ändern</translation>
    </message>
    <message>
        <source>&amp;Cascade</source>
        <translation>&amp;Überlappend</translation>
    </message>
    <message>
        <source>Arrange windows so they overlap</source>
        <translation>Die Fenster überlappend anordnen</translation>
    </message>
    <message>
        <source>&amp;Tile</source>
        <translation>&amp;Nebeneinander</translation>
    </message>
    <message>
        <source>Arrange windows as non-overlapping tiles</source>
        <translation>Die Fenster nebeneinander ohne Überlappung anordnen</translation>
    </message>
    <message>
        <source>&amp;Arrange Icons</source>
        <translation>Symbole &amp;anordnen</translation>
    </message>
    <message>
        <source>Arrange icons at the bottom of the window</source>
        <translation>Die Symbole am unteren Fensterrand anordnen</translation>
    </message>
    <message>
        <source>&amp;Help Topics	F1</source>
        <translation>&amp;Hilfethemen	F1</translation>
    </message>
    <message>
        <source>List Help topics</source>
        <translation>Die Hilfethemen auflisten</translation>
    </message>
    <message>
        <source>H&amp;ome Page</source>
        <translation>&amp;Website</translation>
    </message>
    <message>
        <source>Visit the home page</source>
        <translation>Die Website besuchen</translation>
    </message>
    <message>
        <source>&amp;Technical Support</source>
        <translation>&amp;Technischer Support</translation>
    </message>
    <message>
        <source>Write to technical support</source>
        <translation>An den technischen Support schreiben</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>Ü&amp;ber...</translation>
    </message>
    <message>
        <source>Display program information, version number and copyright</source>
        <translation>Programminformationen, Versionsnummer und Copyright anzeigen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>E&amp;xtras</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Categories</source>
        <translation>&amp;Kategorien</translation>
    </message>
    <message>
        <source>&amp;Icons</source>
        <translation>&amp;Symbole</translation>
    </message>
    <message>
        <source>I&amp;mages</source>
        <translation>Bi&amp;lder</translation>
    </message>
    <message>
        <source>&amp;Window</source>
        <translation>&amp;Fenster</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>The help pages were not found (&apos;%1&apos;).</source>
        <translation>Die Hilfeseiten wurden nicht gefunden („%1“).</translation>
    </message>
    <message>
        <source>No mail program was found. Please write to %1.</source>
        <translation>Es wurde kein E-Mail-Programm gefunden. Bitte schreiben Sie an %1.</translation>
    </message>
    <message>
        <source>No web browser was found to open %1.</source>
        <translation>Es wurde kein Webbrowser gefunden, um %1 zu öffnen.</translation>
    </message>
    <message>
        <source>About %1 %2</source>
        <translation>Über %1 %2</translation>
    </message>
</context>
<context>
    <name>CListBoxIcons</name>
    <message>
        <source>Import</source>
        <translation>Importieren</translation>
    </message>
    <message>
        <source>The category lists these icons already.</source>
        <translation>Die Kategorie enthält diese Symbole bereits.</translation>
    </message>
    <message>
        <source>%1 of %2 icons could not be read from &apos;%3&apos; and were left out.</source>
        <translation>%1 von %2 Symbolen konnten nicht aus „%3“ gelesen werden und wurden ausgelassen.</translation>
    </message>
    <message>
        <source>The files given hold no icons that can be imported.</source>
        <translation>Die angegebenen Dateien enthalten keine importierbaren Symbole.</translation>
    </message>
    <message>
        <source>The folders given hold no icons that can be imported.</source>
        <translation>Die angegebenen Ordner enthalten keine importierbaren Symbole.</translation>
    </message>
    <message>
        <source>Nothing was pasted. %1</source>
        <translation>Es wurde nichts eingefügt. %1</translation>
    </message>
</context>
<context>
    <name>CPropPageIconInfo</name>
    <message>
        <source>Location</source>
        <translation>Ort</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>%1 KB (%2 Bytes)</source>
        <translation>%1 KB (%2 Byte)</translation>
    </message>
    <message>
        <source>Formats</source>
        <translation>Formate</translation>
    </message>
    <message>
        <source>%1 Formats (%2 XP/32-Bits Formats)</source>
        <translation>%1 Formate (%2 XP-/32-Bit-Formate)</translation>
    </message>
    <message>
        <source>Dimension</source>
        <translation>Abmessungen</translation>
    </message>
    <message>
        <source>Bit Count</source>
        <translation>Farbtiefe</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>&amp;Keywords:</source>
        <translation>&amp;Stichwörter:</translation>
    </message>
    <message>
        <source>%1:</source>
        <translation>%1:</translation>
    </message>
</context>
<context>
    <name>CViewZIL</name>
    <message>
        <source>(%1 format)</source>
        <translation>(%1 Format)</translation>
    </message>
    <message>
        <source>(%1 formats)</source>
        <translation>(%1 Formate)</translation>
    </message>
    <message>
        <source>(%1 fmt)</source>
        <translation>(%1 Fmt.)</translation>
    </message>
    <message>
        <source>(%1 fmts)</source>
        <translation>(%1 Fmt.)</translation>
    </message>
    <message>
        <source>(Untitled)</source>
        <translation>(Unbenannt)</translation>
    </message>
    <message>
        <source>Keywords: %1</source>
        <translation>Stichwörter: %1</translation>
    </message>
    <message>
        <source>No formats</source>
        <translation>Keine Formate</translation>
    </message>
    <message>
        <source>%1 format:</source>
        <translation>%1 Format:</translation>
    </message>
    <message>
        <source>%1 formats:</source>
        <translation>%1 Formate:</translation>
    </message>
    <message>
        <source>Are you sure you want to delete the selected images?</source>
        <translation>Möchten Sie die ausgewählten Bilder wirklich löschen?</translation>
    </message>
    <message>
        <source>
... and %1 more</source>
        <translation>
... und %1 weitere</translation>
    </message>
    <message>
        <source>&apos;%1&apos; in %2</source>
        <translation>„%1“ in %2</translation>
    </message>
    <message>
        <source>Can not write:%1</source>
        <translation>Nicht geschrieben werden konnte:%1</translation>
    </message>
    <message>
        <source>These icons could not be read or written and were left as they were:%1</source>
        <translation>Diese Symbole konnten nicht gelesen oder geschrieben werden und blieben unverändert:%1</translation>
    </message>
    <message>
        <source>Import Icons</source>
        <translation>Symbole importieren</translation>
    </message>
    <message>
        <source>Import Icons from Disk Directory</source>
        <translation>Symbole aus Ordner importieren</translation>
    </message>
    <message>
        <source>Import Icons from Image Strips/Grids</source>
        <translation>Symbole aus Bildstreifen/-rastern importieren</translation>
    </message>
    <message>
        <source>Export Icons to Image Strip/Grid</source>
        <translation>Symbole als Bildstreifen/-raster exportieren</translation>
    </message>
</context>
<context>
    <name>CViwZILTree</name>
    <message>
        <source>New &amp;Category</source>
        <translation>Neue &amp;Kategorie</translation>
    </message>
    <message>
        <source>New Sibling Category &amp;Above</source>
        <translation>Neue Kategorie &amp;oberhalb</translation>
    </message>
    <message>
        <source>New Sibling Category &amp;Below</source>
        <translation>Neue Kategorie &amp;unterhalb</translation>
    </message>
    <message>
        <source>Cu&amp;t	Ctrl+X</source>
        <translation>&amp;Ausschneiden	Ctrl+X</translation>
    </message>
    <message>
        <source>&amp;Copy	Ctrl+C</source>
        <translation>Ko&amp;pieren	Ctrl+C</translation>
    </message>
    <message>
        <source>&amp;Paste	Ctrl+V</source>
        <translation>&amp;Einfügen	Ctrl+V</translation>
    </message>
    <message>
        <source>De&amp;lete...	Del</source>
        <translation>&amp;Löschen...	Del</translation>
    </message>
    <message>
        <source>&amp;Import from Disk Directory Tree...</source>
        <translation>Aus Ordnerstruktur &amp;importieren...</translation>
    </message>
    <message>
        <source>&amp;Export to Disk Directory Tree...</source>
        <translation>In Ordnerstruktur e&amp;xportieren...</translation>
    </message>
    <message>
        <source>&amp;Rename	F2</source>
        <translation>Um&amp;benennen	F2</translation>
    </message>
    <message>
        <source>&amp;Find Icons...	Ctrl+F</source>
        <translation>Symbole &amp;suchen...	Ctrl+F</translation>
    </message>
    <message>
        <source>Incorrect regular expression!</source>
        <translation>Ungültiger regulärer Ausdruck!</translation>
    </message>
    <message>
        <source>Import from Disk Directory Tree</source>
        <translation>Aus Ordnerstruktur importieren</translation>
    </message>
    <message>
        <source>Export to Disk Directory Tree</source>
        <translation>In Ordnerstruktur exportieren</translation>
    </message>
</context>
<context>
    <name>CZsDnD</name>
    <message>
        <source>Nothing was copied: the desktop did not give the clipboard to Pictavo.</source>
        <translation>Es wurde nichts kopiert: Die Arbeitsumgebung hat Pictavo die Zwischenablage nicht überlassen.</translation>
    </message>
    <message>
        <source>Move</source>
        <translation>Verschieben</translation>
    </message>
    <message>
        <source>Move As Child</source>
        <translation>Als Unterkategorie verschieben</translation>
    </message>
    <message>
        <source>Move As Sibling Above</source>
        <translation>Oberhalb verschieben</translation>
    </message>
    <message>
        <source>Move As Sibling Below</source>
        <translation>Unterhalb verschieben</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Copy As Child</source>
        <translation>Als Unterkategorie kopieren</translation>
    </message>
    <message>
        <source>Copy As Sibling Above</source>
        <translation>Oberhalb kopieren</translation>
    </message>
    <message>
        <source>Copy As Sibling Below</source>
        <translation>Unterhalb kopieren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>CZsProjApp</name>
    <message>
        <source>The library &apos;%1&apos; no longer exists and was not reopened.</source>
        <translation>Die Bibliothek „%1“ existiert nicht mehr und wurde nicht wieder geöffnet.</translation>
    </message>
    <message>
        <source>The libraries %1 no longer exist and were not reopened.</source>
        <translation>Die Bibliotheken %1 existieren nicht mehr und wurden nicht wieder geöffnet.</translation>
    </message>
</context>
<context>
    <name>CZsTray</name>
    <message>
        <source>&amp;Show/Hide Main Window</source>
        <translation>Hauptfenster &amp;zeigen/verbergen</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Beenden</translation>
    </message>
</context>
<context>
    <name>ZsFileDialogs</name>
    <message>
        <source>Program Files (*.exe)</source>
        <translation>Programmdateien (*.exe)</translation>
    </message>
    <message>
        <source>Programs (*)</source>
        <translation>Programme (*)</translation>
    </message>
    <message>
        <source>All Files (*.*)</source>
        <translation>Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>All Supported Files</source>
        <translation>Alle unterstützten Dateien</translation>
    </message>
    <message>
        <source>Icon Files</source>
        <translation>Symboldateien</translation>
    </message>
    <message>
        <source>Win32 Icon Library Files</source>
        <translation>Win32-Symbolbibliotheken</translation>
    </message>
    <message>
        <source>Picture Files</source>
        <translation>Bilddateien</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 existiert bereits.
Möchten Sie die Datei ersetzen?</translation>
    </message>
</context>
</TS>
