<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="sr_RS@latin" sourcelanguage="en">
<!-- The program's own Serbian (Latin, no diacritics) for the texts of Qt's dialogs and controls that the clerk meets. -->
<context>
    <name>QFileDialog</name>
    <message>
        <source>&amp;Choose</source>
        <translation>&amp;Izaberi</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Obrisi</translation>
    </message>
    <message>
        <source>&amp;New Folder</source>
        <translation>&amp;Nova fascikla</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Otvori</translation>
    </message>
    <message>
        <source>&amp;Rename</source>
        <translation>&amp;Preimenuj</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Sacuvaj</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>Sve datoteke (*)</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Nazad</translation>
    </message>
    <message>
        <source>Change to detail view mode</source>
        <translation>Prikaz sa pojedinostima</translation>
    </message>
    <message>
        <source>Change to list view mode</source>
        <translation>Prikaz liste</translation>
    </message>
    <message>
        <source>Create New Folder</source>
        <translation>Nova fascikla</translation>
    </message>
    <message>
        <source>Create a New Folder</source>
        <translation>Napravi novu fasciklu</translation>
    </message>
    <message>
        <source>Detail View</source>
        <translation>Pojedinosti</translation>
    </message>
    <message>
        <source>Directories</source>
        <translation>Fascikle</translation>
    </message>
    <message>
        <source>Directory:</source>
        <translation>Fascikla:</translation>
    </message>
    <message>
        <source>File &amp;name:</source>
        <translation>&amp;Ime datoteke:</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Datoteke</translation>
    </message>
    <message>
        <source>Files of type:</source>
        <translation>Vrsta datoteka:</translation>
    </message>
    <message>
        <source>Find Directory</source>
        <translation>Izbor fascikle</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Napred</translation>
    </message>
    <message>
        <source>Go back</source>
        <translation>Idi nazad</translation>
    </message>
    <message>
        <source>Go forward</source>
        <translation>Idi napred</translation>
    </message>
    <message>
        <source>Go to the parent directory</source>
        <translation>Idi u nadredjenu fasciklu</translation>
    </message>
    <message>
        <source>List View</source>
        <translation>Lista</translation>
    </message>
    <message>
        <source>List of places and bookmarks</source>
        <translation>Mesta i obelezivaci</translation>
    </message>
    <message>
        <source>Look in:</source>
        <translation>Trazi u:</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Otvaranje</translation>
    </message>
    <message>
        <source>Parent Directory</source>
        <translation>Nadredjena fascikla</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Ukloni</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Sacuvaj kao</translation>
    </message>
    <message>
        <source>Show &amp;hidden files</source>
        <translation>Prikazi &amp;skrivene datoteke</translation>
    </message>
    <message>
        <source>Sidebar</source>
        <translation>Bocna traka</translation>
    </message>
    <message>
        <source>New Folder</source>
        <translation>Nova fascikla</translation>
    </message>
    <message>
        <source>Recent Places</source>
        <translation>Nedavna mesta</translation>
    </message>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 vec postoji.
Da li zelite da je zamenite?</translation>
    </message>
    <message>
        <source>%1
Directory not found.
Please verify the correct directory name was given.</source>
        <translation>%1
Fascikla nije nadjena.
Proverite da li je ime fascikle tacno.</translation>
    </message>
    <message>
        <source>%1
File not found.
Please verify the correct file name was given.</source>
        <translation>%1
Datoteka nije nadjena.
Proverite da li je ime datoteke tacno.</translation>
    </message>
    <message>
        <source>'%1' is write protected.
Do you want to delete it anyway?</source>
        <translation>'%1' je zasticena od upisa.
Da li ipak zelite da je obrisete?</translation>
    </message>
    <message>
        <source>Are you sure you want to delete '%1'?</source>
        <translation>Da li sigurno zelite da obrisete '%1'?</translation>
    </message>
    <message>
        <source>Could not delete directory.</source>
        <translation>Fascikla ne moze da se obrise.</translation>
    </message>
</context>
<context>
    <name>QFileSystemModel</name>
    <message>
        <source>Name</source>
        <translation>Ime</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Velicina</translation>
    </message>
    <message>
        <source>Type</source>
        <comment>All other platforms</comment>
        <translation>Vrsta</translation>
    </message>
    <message>
        <source>Date Modified</source>
        <translation>Izmenjena</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Racunar</translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation>Disk</translation>
    </message>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>Fascikla</translation>
    </message>
    <message>
        <source>File</source>
        <comment>All other platforms</comment>
        <translation>Datoteka</translation>
    </message>
</context>
<context>
    <name>QIODevice</name>
    <message>
        <source>Permission denied</source>
        <translation>nema dozvole</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>nema mesta na disku</translation>
    </message>
    <message>
        <source>No such file or directory</source>
        <translation>nema takve datoteke ni fascikle</translation>
    </message>
    <message>
        <source>Too many open files</source>
        <translation>previse otvorenih datoteka</translation>
    </message>
    <message>
        <source>Operation not permitted</source>
        <translation>nema dozvole</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>prekoracena je kvota prostora na disku</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>na putu je datoteka, a ne fascikla</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>disk je samo za citanje</translation>
    </message>
    <message>
        <source>File exists</source>
        <translation>datoteka ili fascikla tog imena vec postoji</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>greska pri citanju ili pisanju diska</translation>
    </message>
</context>
<context>
    <name>QLineEdit</name>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Opozovi</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Ponovi</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>Ise&amp;ci</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopiraj</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Nalepi</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Obrisi</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Izaberi sve</translation>
    </message>
</context>
<context>
    <name>QAbstractSpinBox</name>
    <message>
        <source>&amp;Select All</source>
        <translation>&amp;Izaberi sve</translation>
    </message>
    <message>
        <source>&amp;Step up</source>
        <translation>Korak &amp;gore</translation>
    </message>
    <message>
        <source>Step &amp;down</source>
        <translation>Korak &amp;dole</translation>
    </message>
</context>
<context>
    <name>QMessageBox</name>
    <message>
        <source>Show Details...</source>
        <translation>Prikazi pojedinosti...</translation>
    </message>
    <message>
        <source>Hide Details...</source>
        <translation>Sakrij pojedinosti...</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>U redu</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Otkazi</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sacuvaj</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Otvori</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Da</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Ne</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Zatvori</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Primeni</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Odbaci</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Pokusaj ponovo</translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Zanemari</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Prekini</translation>
    </message>
</context>
<context>
    <name>QPrintDialog</name>
    <message>
        <source>&amp;Options &gt;&gt;</source>
        <translation>&amp;Opcije &gt;&gt;</translation>
    </message>
    <message>
        <source>&amp;Options &lt;&lt;</source>
        <translation>&amp;Opcije &lt;&lt;</translation>
    </message>
    <message>
        <source>&amp;Print</source>
        <translation>&amp;Stampaj</translation>
    </message>
    <message>
        <source>All Pages</source>
        <translation>Sve strane</translation>
    </message>
    <message>
        <source>Even Pages</source>
        <translation>Parne strane</translation>
    </message>
    <message>
        <source>Odd Pages</source>
        <translation>Neparne strane</translation>
    </message>
    <message>
        <source>Local file</source>
        <translation>Datoteka na ovom racunaru</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Stampa</translation>
    </message>
    <message>
        <source>Print to File (PDF)</source>
        <translation>Stampa u datoteku (PDF)</translation>
    </message>
    <message>
        <source>Write PDF file</source>
        <translation>Upis PDF datoteke</translation>
    </message>
</context>
<context>
    <name>QPrintSettingsOutput</name>
    <message>
        <source>Collate</source>
        <translation>Po primercima</translation>
    </message>
    <message>
        <source>Color</source>
        <translation>U boji</translation>
    </message>
    <message>
        <source>Color Mode</source>
        <translation>Boja</translation>
    </message>
    <message>
        <source>Copies</source>
        <translation>Primerci</translation>
    </message>
    <message>
        <source>Copies:</source>
        <translation>Primeraka:</translation>
    </message>
    <message>
        <source>Current Page</source>
        <translation>Tekuca strana</translation>
    </message>
    <message>
        <source>Double Sided Printing</source>
        <translation>Obostrana stampa</translation>
    </message>
    <message>
        <source>Grayscale</source>
        <translation>Nijanse sive</translation>
    </message>
    <message>
        <source>Long side binding</source>
        <translation>Povez po duzoj ivici</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Iskljuceno</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Opcije</translation>
    </message>
    <message>
        <source>Output Settings</source>
        <translation>Izlaz</translation>
    </message>
    <message>
        <source>Page Set:</source>
        <translation>Strane:</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Strane</translation>
    </message>
    <message>
        <source>Pages from</source>
        <translation>Strane od</translation>
    </message>
    <message>
        <source>Print all</source>
        <translation>Sve</translation>
    </message>
    <message>
        <source>Print range</source>
        <translation>Opseg stampe</translation>
    </message>
    <message>
        <source>Reverse</source>
        <translation>Obrnutim redom</translation>
    </message>
    <message>
        <source>Selection</source>
        <translation>Izbor</translation>
    </message>
    <message>
        <source>Short side binding</source>
        <translation>Povez po kracoj ivici</translation>
    </message>
    <message>
        <source>Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.</source>
        <translation>Navedite strane ili opsege odvojene zarezima. Opseg se pise kao dva broja sa crticom izmedju. Npr. 3,5-7,9 stampa strane 3, 5, 6, 7 i 9.</translation>
    </message>
    <message>
        <source>to</source>
        <translation>do</translation>
    </message>
</context>
<context>
    <name>QPrintWidget</name>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Ime:</translation>
    </message>
    <message>
        <source>Location:</source>
        <translation>Mesto:</translation>
    </message>
    <message>
        <source>Output &amp;file:</source>
        <translation>Izlazna &amp;datoteka:</translation>
    </message>
    <message>
        <source>P&amp;roperties</source>
        <translation>&amp;Svojstva</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Pregled</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Stampac</translation>
    </message>
    <message>
        <source>Type:</source>
        <translation>Vrsta:</translation>
    </message>
</context>
<context>
    <name>QScrollBar</name>
    <message>
        <source>Bottom</source>
        <translation>Dno</translation>
    </message>
    <message>
        <source>Left edge</source>
        <translation>Leva ivica</translation>
    </message>
    <message>
        <source>Page down</source>
        <translation>Strana nadole</translation>
    </message>
    <message>
        <source>Page left</source>
        <translation>Strana ulevo</translation>
    </message>
    <message>
        <source>Page right</source>
        <translation>Strana udesno</translation>
    </message>
    <message>
        <source>Page up</source>
        <translation>Strana nagore</translation>
    </message>
    <message>
        <source>Right edge</source>
        <translation>Desna ivica</translation>
    </message>
    <message>
        <source>Scroll down</source>
        <translation>Pomeri nadole</translation>
    </message>
    <message>
        <source>Scroll here</source>
        <translation>Pomeri ovde</translation>
    </message>
    <message>
        <source>Scroll left</source>
        <translation>Pomeri ulevo</translation>
    </message>
    <message>
        <source>Scroll right</source>
        <translation>Pomeri udesno</translation>
    </message>
    <message>
        <source>Scroll up</source>
        <translation>Pomeri nagore</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>Vrh</translation>
    </message>
</context>
</TS>
