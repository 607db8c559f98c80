"""The algorithms' names, parameter labels and help, in English and Czech.

Plain dictionaries rather than Qt translation files: nothing to compile, and
a missing Czech text falls back to the English one.
"""
from qgis.core import QgsSettings
from qgis.PyQt.QtCore import QLocale

ENGLISH = {
    "input": "Input layer",
    "species": "Species field (code, index 0-12 or name)",
    "age": "Age field (years)",
    "site_index": "Site index field (m)",
    "diameter": "Diameter field (cm)",
    "height": "Height field (m)",
    "rounded": "Round as the tables do",
    "strict": "Strict: a warning makes the value an error",
    "all": "All four volumes (v1 to v4)",
    "output": "Output layer",
    "group_by": "Group by (plot, or stand and plot)",
    "plot_area": "Plot area (m2), the same for every plot",
    "plot_area_field": "Plot area field (m2), instead of one plot area",
    "fill_heights": "Fill missing heights from height curves",
    "curve": "Height curve",
    "min_heights": "Fewest measured heights a curve is fitted on",
    "summary_output": "Stand summary",
    "tree_volume.name": "Tree volume",
    "tree_volume.help": (
        "The volume (m3) of each tree from its species, breast-height diameter (cm) "
        "and height (m): the primary volume V1 the tables store, or with 'All four "
        "volumes' V1 to V4.<br><br>"
        "Every feature is kept with its geometry and attributes; the result fields, "
        "'warning' and 'error' are added. A value outside the model's domain is still "
        "computed, with a warning that says which rule it breaks; with 'Strict' it "
        "becomes an error instead. A feature that cannot be computed (an empty field, "
        "an unknown species) gets no result and the reason in 'error'. The values and "
        "texts are the ones pdravlik-calc volume writes."),
    "stand_height.name": "Stand height from age and site index",
    "stand_height.help": (
        "The mean height (m) of a stand of each feature's species at its age (years) "
        "on its site index (the stand's mean height at age 100, m), by the young-stand "
        "model where it applies.<br><br>"
        "Every feature is kept; 'height', 'warning' and 'error' are added, as "
        "pdravlik-calc height writes them."),
    "stand_diameter.name": "Stand diameter from age and height",
    "stand_diameter.help": (
        "The mean breast-height diameter (cm) of a stand of each feature's species at "
        "its age (years) with its mean height (m).<br><br>"
        "Every feature is kept; 'diameter', 'warning' and 'error' are added, as "
        "pdravlik-calc diameter writes them."),
    "site_index.name": "Site index from age and height",
    "site_index.help": (
        "The site index (m) of a stand of each feature's species at its age (years) "
        "with its mean height (m): the site index whose height curve passes through "
        "that height at that age.<br><br>"
        "Every feature is kept; 'site_index', 'warning' and 'error' are added, as "
        "pdravlik-calc site-index writes them."),
    "stand_summary.name": "Stand summary of a tree list",
    "stand_summary.help": (
        "The growing stock of a layer of trees (species, diameter in cm, height in m) "
        "per plot and species: one line per group and species present, then one line "
        "per group with species 'all'. Groups are the distinct values of the "
        "'Group by' fields in the order they first appear; without them the whole "
        "layer is one plot.<br><br>"
        "A plot's area is the number given or, from a field, its first tree's. The "
        "columns: trees, trees_per_ha, basal_area_per_ha (m2/ha), qmd (quadratic mean "
        "diameter, cm), lorey_height, dominant_height (mean height of the thickest 100 "
        "trees per hectare, m), volume (m3 on the plot), volume_per_ha, left_out (trees "
        "that could not be computed), warning and error (why).<br><br>"
        "With 'Fill missing heights', a tree without a height gets one from a height "
        "curve (Näslund's or Michailoff's) fitted to the trees of its group and species "
        "that have one. The result is a table without geometry, as pdravlik-calc stand "
        "writes it."),
    "error.plot_area": "Give either a plot area or a plot area field, not both and not neither.",
    "error.field": "The input layer has no field '{}'.",
    "error.write": "Could not write a feature to the output: {}",
}

CZECH = {
    "input": "Vstupní vrstva",
    "species": "Pole dřeviny (kód, index 0–12 nebo název)",
    "age": "Pole věku (roky)",
    "site_index": "Pole bonity (m)",
    "diameter": "Pole tloušťky (cm)",
    "height": "Pole výšky (m)",
    "rounded": "Zaokrouhlit jako tabulky",
    "strict": "Přísně: varování je chybou",
    "all": "Všechny čtyři objemy (v1 až v4)",
    "output": "Výstupní vrstva",
    "group_by": "Seskupit podle (plocha, nebo porost a plocha)",
    "plot_area": "Výměra plochy (m2), stejná pro všechny plochy",
    "plot_area_field": "Pole výměry plochy (m2) místo jedné výměry",
    "fill_heights": "Doplnit chybějící výšky z výškových křivek",
    "curve": "Výšková křivka",
    "min_heights": "Nejmenší počet změřených výšek pro křivku",
    "summary_output": "Souhrn porostu",
    "tree_volume.name": "Objem stromu",
    "tree_volume.help": (
        "Objem (m3) každého stromu z jeho dřeviny, výčetní tloušťky (cm) a výšky (m): "
        "základní objem V1, který ukládají tabulky, nebo se 'Všemi čtyřmi objemy' V1 "
        "až V4.<br><br>"
        "Každý prvek zůstane se svou geometrií i atributy; přibudou pole výsledků, "
        "'warning' (varování) a 'error' (chyba). Hodnota mimo obor modelu se přesto "
        "spočítá, s varováním, které pravidlo porušuje; 'Přísně' z ní udělá chybu. "
        "Prvek, který spočítat nelze (prázdné pole, neznámá dřevina), nedostane "
        "výsledek a v 'error' je důvod. Hodnoty i texty jsou tytéž, jaké píše "
        "pdravlik-calc volume."),
    "stand_height.name": "Střední výška porostu z věku a bonity",
    "stand_height.help": (
        "Střední výška (m) porostu dřeviny prvku v jeho věku (roky) na jeho bonitě "
        "(střední výšce porostu ve věku 100 let, m), v mladých porostech modelem "
        "mladých porostů, kde platí.<br><br>"
        "Každý prvek zůstane; přibudou pole 'height', 'warning' a 'error', jak je píše "
        "pdravlik-calc height."),
    "stand_diameter.name": "Střední tloušťka porostu z věku a výšky",
    "stand_diameter.help": (
        "Střední výčetní tloušťka (cm) porostu dřeviny prvku v jeho věku (roky) s jeho "
        "střední výškou (m).<br><br>"
        "Každý prvek zůstane; přibudou pole 'diameter', 'warning' a 'error', jak je "
        "píše pdravlik-calc diameter."),
    "site_index.name": "Bonita z věku a výšky",
    "site_index.help": (
        "Absolutní bonita (m) porostu dřeviny prvku v jeho věku (roky) s jeho střední "
        "výškou (m): bonita, jejíž výšková křivka v tom věku prochází tou "
        "výškou.<br><br>"
        "Každý prvek zůstane; přibudou pole 'site_index', 'warning' a 'error', jak je "
        "píše pdravlik-calc site-index."),
    "stand_summary.name": "Souhrn porostu ze seznamu stromů",
    "stand_summary.help": (
        "Zásoba vrstvy stromů (dřevina, tloušťka v cm, výška v m) po plochách a "
        "dřevinách: řádek za každou skupinu a dřevinu, která v ní je, a pak řádek za "
        "skupinu s dřevinou 'all' (vše). Skupiny jsou různé hodnoty polí 'Seskupit "
        "podle' v pořadí, v jakém se poprvé objeví; bez nich je celá vrstva jednou "
        "plochou.<br><br>"
        "Výměra plochy je zadané číslo, nebo z pole výměra prvního stromu plochy. "
        "Sloupce: trees (stromy), trees_per_ha (stromů na ha), basal_area_per_ha "
        "(výčetní základna, m2/ha), qmd (kvadratický průměr tloušťky, cm), "
        "lorey_height (Loreyova výška), dominant_height (střední výška 100 "
        "nejtlustších stromů na hektar, m), volume (m3 na ploše), volume_per_ha "
        "(zásoba na ha), left_out (stromy, které spočítat nešlo), warning a error "
        "(proč).<br><br>"
        "S 'Doplnit chybějící výšky' dostane strom bez výšky výšku z výškové křivky "
        "(Näslundovy nebo Michajlovovy) vyrovnané stromy jeho skupiny a dřeviny, které "
        "výšku mají. Výsledkem je tabulka bez geometrie, jakou píše pdravlik-calc "
        "stand."),
    "error.plot_area": "Zadejte buď výměru plochy, nebo pole výměry, ne obojí ani nic.",
    "error.field": "Vstupní vrstva nemá pole '{}'.",
    "error.write": "Prvek se nepodařilo zapsat do výstupu: {}",
}


def user_locale():
    """The locale QGIS shows its own texts in (the one set in its options)."""
    return QgsSettings().value("locale/userLocale", "") or QLocale().name()


def text(key):
    if user_locale().lower().startswith("cs"):
        return CZECH.get(key, ENGLISH[key])
    return ENGLISH[key]
