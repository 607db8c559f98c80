<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="cs_CZ">
<context>
    <name>dravlik::FindBar</name>
    <message>
        <source>Find</source>
        <translation>Najít</translation>
    </message>
    <message>
        <source>First match (Enter)</source>
        <translation>První shoda (Enter)</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Další</translation>
    </message>
    <message>
        <source>Next match (F3)</source>
        <translation>Další shoda (F3)</translation>
    </message>
    <message>
        <source>Close (Esc)</source>
        <translation>Zavřít (Esc)</translation>
    </message>
    <message>
        <source>Not found.</source>
        <translation>Nenalezeno.</translation>
    </message>
    <message>
        <source>No further match.</source>
        <translation>Další shoda není.</translation>
    </message>
    <message>
        <source>Row %1 of %2.</source>
        <translation>Řádek %1 z %2.</translation>
    </message>
    <message>
        <source>%1 is not a number.</source>
        <translation>%1 není číslo.</translation>
    </message>
    <message>
        <source>Type a species code or a value.</source>
        <translation>Zadejte kód dřeviny nebo hodnotu.</translation>
    </message>
</context>
<context>
    <name>dravlik::GridCommands</name>
    <message>
        <source>Export to CSV</source>
        <translation>Export do CSV</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation type="vanished">Soubory CSV (*.csv);;Všechny soubory (*)</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation type="vanished">Kopírovat</translation>
    </message>
    <message>
        <source>Export to CSV…</source>
        <translation type="vanished">Exportovat do CSV…</translation>
    </message>
    <message>
        <source>Find…</source>
        <translation type="vanished">Najít…</translation>
    </message>
    <message>
        <source>Growth curves…</source>
        <translation type="vanished">Růstové křivky…</translation>
    </message>
    <message>
        <source>Site index…</source>
        <translation type="vanished">Bonitace…</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopírovat</translation>
    </message>
    <message>
        <source>&amp;Export to CSV…</source>
        <translation>&amp;Exportovat do CSV…</translation>
    </message>
    <message>
        <source>&amp;Find…</source>
        <translation>&amp;Najít…</translation>
    </message>
    <message>
        <source>&amp;Open saved table</source>
        <translation>&amp;Otevřít uloženou tabulku</translation>
    </message>
    <message>
        <source>&amp;Growth curves…</source>
        <translation>&amp;Růstové křivky…</translation>
    </message>
    <message>
        <source>&amp;Site index…</source>
        <translation>&amp;Bonitace…</translation>
    </message>
    <message>
        <source>The table file %1 does not exist; its button creates it</source>
        <translation>Soubor tabulky %1 neexistuje; vytvoří ho tlačítko tabulky</translation>
    </message>
    <message>
        <source>CSV with decimal commas and semicolons (*.csv)</source>
        <translation>CSV s desetinnou čárkou a středníky (*.csv)</translation>
    </message>
    <message>
        <source>CSV with decimal points and commas (*.csv)</source>
        <translation>CSV s desetinnou tečkou a čárkami (*.csv)</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Vložit</translation>
    </message>
    <message>
        <source>C&amp;lear cell</source>
        <translation>Vy&amp;mazat buňku</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Zpět</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Provést znovu</translation>
    </message>
</context>
<context>
    <name>dravlik::GridPaste</name>
    <message>
        <source>The block has %1 columns; from column %2 the grid has %3</source>
        <translation>Počet sloupců bloku: %1; od sloupce %2 jich mřížka má %3</translation>
    </message>
    <message>
        <source>Rows pasted: %1; row %2 of the block: %3</source>
        <translation>Vloženo řádků: %1; řádek %2 bloku: %3</translation>
    </message>
</context>
<context>
    <name>dravlik::GrowthCurvesWindow</name>
    <message>
        <source>Growth curves – %1</source>
        <translation>Růstové křivky – %1</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Výška</translation>
    </message>
    <message>
        <source>m</source>
        <translation>m</translation>
    </message>
    <message>
        <source>Diameter</source>
        <translation>Tloušťka</translation>
    </message>
    <message>
        <source>cm</source>
        <translation>cm</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Objem</translation>
    </message>
    <message>
        <source>Age</source>
        <translation>Věk</translation>
    </message>
    <message>
        <source>years</source>
        <translation>roky</translation>
    </message>
    <message>
        <source>young-stand model</source>
        <translation>model mladých porostů</translation>
    </message>
    <message>
        <source>Site index %1</source>
        <translation>Bonita %1</translation>
    </message>
    <message>
        <source>Current row</source>
        <translation>Aktuální řádek</translation>
    </message>
    <message>
        <source>m³</source>
        <translation>m³</translation>
    </message>
    <message>
        <source>Height %1 m</source>
        <translation>Výška %1 m</translation>
    </message>
    <message>
        <source>Tree height:</source>
        <translation>Výška stromu:</translation>
    </message>
    <message>
        <source>Save as PNG…</source>
        <translation>Uložit jako PNG…</translation>
    </message>
    <message>
        <source>Save as SVG…</source>
        <translation>Uložit jako SVG…</translation>
    </message>
    <message>
        <source>Save as PNG</source>
        <translation>Uložit jako PNG</translation>
    </message>
    <message>
        <source>Save as SVG</source>
        <translation>Uložit jako SVG</translation>
    </message>
    <message>
        <source>%1 images (*.%2)</source>
        <translation>Obrázky %1 (*.%2)</translation>
    </message>
    <message>
        <source>The chart could not be saved: %1</source>
        <translation>Graf se nepodařilo uložit: %1</translation>
    </message>
    <message>
        <source>There is no current row to draw growth curves for.</source>
        <translation>Tabulka nemá aktuální řádek, pro který by šlo nakreslit růstové křivky.</translation>
    </message>
    <message>
        <source>The current row has no species code.</source>
        <translation>Aktuální řádek nemá kód dřeviny.</translation>
    </message>
    <message>
        <source>There are no growth models for the species &quot;%1&quot;.</source>
        <translation>Pro dřevinu „%1“ nejsou růstové modely.</translation>
    </message>
    <message>
        <source>Growth curves</source>
        <translation>Růstové křivky</translation>
    </message>
    <message>
        <source>%1: diameter by age and site index</source>
        <translation>%1: tloušťka podle věku a bonity</translation>
    </message>
    <message>
        <source>%1: height by age and site index</source>
        <translation>%1: výška podle věku a bonity</translation>
    </message>
    <message>
        <source>%1: volume of a tree by diameter</source>
        <translation>%1: objem stromu podle tloušťky</translation>
    </message>
    <message>
        <source>Stand</source>
        <translation>Porost</translation>
    </message>
    <message>
        <source>Site index…</source>
        <translation>Bonitace…</translation>
    </message>
    <message numerus="yes">
        <source>%n years</source>
        <translation>
            <numerusform>%n rok</numerusform>
            <numerusform>%n roky</numerusform>
            <numerusform>%n let</numerusform>
        </translation>
    </message>
    <message>
        <source>as shown</source>
        <translation>jako v okně</translation>
    </message>
    <message>
        <source>Image size:</source>
        <translation>Velikost obrázku:</translation>
    </message>
</context>
<context>
    <name>dravlik::MessageBoxDialogs</name>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Uložit</translation>
    </message>
    <message>
        <source>&amp;Discard</source>
        <translation>&amp;Neukládat</translation>
    </message>
    <message>
        <source>&amp;Stay</source>
        <translation>&amp;Zrušit</translation>
    </message>
</context>
<context>
    <name>dravlik::PendingRecord</name>
    <message>
        <source>The new record in %1 has not been saved. Save it?</source>
        <translation>Nový záznam v %1 nebyl uložen. Uložit ho?</translation>
    </message>
    <message>
        <source>The changes to the current record in %1 have not been saved. Save them?</source>
        <translation>Změny aktuálního záznamu v %1 nebyly uloženy. Uložit je?</translation>
    </message>
</context>
<context>
    <name>dravlik::RecordReplay</name>
    <message>
        <source>Row %1 has changed since; it is left as it is</source>
        <translation>Řádek %1 se mezitím změnil; zůstává, jak je</translation>
    </message>
</context>
<context>
    <name>dravlik::SiteIndexTool</name>
    <message>
        <source>Site index</source>
        <translation>Bonitace</translation>
    </message>
    <message>
        <source>Growth curves…</source>
        <translation>Růstové křivky…</translation>
    </message>
    <message>
        <source> years</source>
        <translation> let</translation>
    </message>
    <message>
        <source>&amp;Species:</source>
        <translation>&amp;Dřevina:</translation>
    </message>
    <message>
        <source>&amp;Age:</source>
        <translation>&amp;Věk:</translation>
    </message>
    <message>
        <source>Mean &amp;height:</source>
        <translation>&amp;Střední výška:</translation>
    </message>
    <message>
        <source>Site index:</source>
        <translation>Bonita:</translation>
    </message>
    <message>
        <source>Rounded:</source>
        <translation>Zaokrouhleně:</translation>
    </message>
    <message>
        <source>The inversion&apos;s estimate, outside the site index range %1–%2.</source>
        <translation>Odhad inverze mimo rozsah bonit %1–%2.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Zavřít</translation>
    </message>
</context>
<context>
    <name>dravlik::SpeciesNames</name>
    <message>
        <source>Norway spruce</source>
        <translation>smrk</translation>
    </message>
    <message>
        <source>Scots pine</source>
        <translation>borovice</translation>
    </message>
    <message>
        <source>European larch</source>
        <translation>modřín</translation>
    </message>
    <message>
        <source>silver fir</source>
        <translation>jedle</translation>
    </message>
    <message>
        <source>oak</source>
        <translation>dub</translation>
    </message>
    <message>
        <source>European beech</source>
        <translation>buk</translation>
    </message>
    <message>
        <source>ash</source>
        <translation>jasan</translation>
    </message>
    <message>
        <source>birch</source>
        <translation>bříza</translation>
    </message>
    <message>
        <source>alder</source>
        <translation>olše</translation>
    </message>
    <message>
        <source>poplar</source>
        <translation>topol</translation>
    </message>
    <message>
        <source>hornbeam</source>
        <translation>habr</translation>
    </message>
    <message>
        <source>black locust</source>
        <translation>akát</translation>
    </message>
    <message>
        <source>Douglas fir</source>
        <translation>douglaska</translation>
    </message>
</context>
<context>
    <name>dravlik::StatusLine</name>
    <message>
        <source>Row %1 of %2</source>
        <translation>Řádek %1 z %2</translation>
    </message>
    <message>
        <source>Count: %1  Sum: %2  Average: %3</source>
        <translation>Počet: %1  Součet: %2  Průměr: %3</translation>
    </message>
</context>
</TS>
