"""Every model, element by element, gives what pdravlik-calc gives for the same
row: the same double to the bit, the same error and the same warning, on
random inputs inside and well outside the models' domain."""
import numpy as np
import pytest

import pdravlik
from calculator_files import numbers_of, read_csv, run, same_doubles, write_csv

ROWS = 300_000
FEWER_ROWS = 60_000  # for the variants of --round and --strict

SPECIES_TEXTS = (list(pdravlik.SPECIES) + [str(i) for i in range(13)] +
                 ["sm", " BK ", "smrk", "Picea abies", "Norway spruce", "bříza", "Fagus sylvatica", "douglaska",
                  "XX", " XX\t", "13", "14", "-1", "smrkk", "", "  "])

# Each input's plausible range; the draws also take it out of the domain.
RANGES = {"age": (0, 200), "site_index": (5, 45), "height": (0, 50), "diameter": (0, 120),
          "trees_per_ha": (0, 5000)}

MODELS = {  # command: (function, its inputs after species, keyword arguments)
    "height": (pdravlik.height, ["age", "site_index"], {}),
    "diameter": (pdravlik.diameter, ["age", "height"], {}),
    "site-index": (pdravlik.site_index, ["age", "height"], {}),
    "volume": (pdravlik.volume, ["diameter", "height"], {"all": True}),
    "stand-volume": (pdravlik.stand_volume, ["diameter", "height", "trees_per_ha"], {}),
}


def draw(rng, name, count):
    low, high = RANGES[name]
    values = rng.uniform(low, high, count)
    kind = rng.random(count)
    values[kind < 0.06] *= -1
    values[(kind >= 0.06) & (kind < 0.08)] = 0
    huge = (kind >= 0.08) & (kind < 0.10)
    values[huge] = 10.0 ** rng.uniform(2, 300, huge.sum())
    tiny = (kind >= 0.10) & (kind < 0.11)
    values[tiny] = 10.0 ** -rng.uniform(1, 300, tiny.sum())
    values[(kind >= 0.11) & (kind < 0.115)] = np.nan
    values[(kind >= 0.115) & (kind < 0.117)] = np.inf
    values[(kind >= 0.117) & (kind < 0.119)] = -np.inf
    # Whole numbers, where the models' thresholds often lie.
    whole = (kind >= 0.119) & (kind < 0.2)
    values[whole] = np.round(values[whole])
    return values


def texts_of(found):
    return np.array(found, dtype=object)


@pytest.mark.parametrize("command,options,rows", [(command, [], ROWS) for command in MODELS] +
                         [(command, ["--round"], FEWER_ROWS) for command in MODELS] +
                         [(command, ["--strict"], FEWER_ROWS) for command in MODELS])
def test_the_models_give_the_calculators_doubles_and_texts(tmp_path, command, options, rows):
    function, names, keywords = MODELS[command]
    rng = np.random.default_rng(sum(map(ord, command + "".join(options))))
    species = np.array(SPECIES_TEXTS)[rng.integers(0, len(SPECIES_TEXTS), rows)]
    numbers = {name: draw(rng, name, rows) for name in names}
    write_csv(tmp_path / "in.csv", {"species": species, **numbers})
    if "all" in keywords:
        options = options + ["--all"]
    status = run(command, *options, "-i", str(tmp_path / "in.csv"), "-o", str(tmp_path / "out.csv"))
    expected = read_csv(tmp_path / "out.csv")

    strict = "--strict" in options
    arguments = (species, *numbers.values())
    got = function(*arguments, rounded="--round" in options, strict=strict, errors=True, **keywords)
    if strict:
        plain = function(*arguments, rounded="--round" in options, errors=True, **keywords)
        assert (plain.error != "").sum() < (got.error != "").sum()
        assert (got.warning == "").all()
    # The calculator skips a row of empty fields; an element of missing values is an error.
    blank = np.char.strip(species, " \t") == ""
    blank &= np.logical_and.reduce([np.isnan(values) for values in numbers.values()])
    assert (got.error[blank] == "No value in species").all()
    got = pdravlik.Results(*(part[~blank] for part in got))
    values = got.values if got.values.ndim == 2 else got.values[:, None]
    result_columns = list(expected)[len(names) + 1:-2]
    np.testing.assert_array_equal(got.error, texts_of(expected["error"]))
    np.testing.assert_array_equal(got.warning, texts_of(expected["warning"]))
    for column, name in enumerate(result_columns):
        same_doubles(values[:, column], numbers_of(expected[name]))
    # The inputs reached every outcome in numbers, so that the texts were tried.
    errors = np.array(expected["error"])
    assert status == (1 if (errors != "").any() else 0)
    assert (errors != "").sum() > rows // 50
    if not strict:
        assert (np.array(expected["warning"]) != "").sum() > rows // 50
    assert len(set(expected["error"])) > 5


def test_strict_raises_for_the_calculators_first_refused_row(tmp_path):
    rng = np.random.default_rng(7)
    diameters, heights = draw(rng, "diameter", 1000), draw(rng, "height", 1000)
    write_csv(tmp_path / "in.csv", {"diameter": diameters, "height": heights})
    run("volume", "--species", "BO", "--strict", "-i", str(tmp_path / "in.csv"), "-o", str(tmp_path / "out.csv"))
    errors = read_csv(tmp_path / "out.csv")["error"]
    first = next(i for i, text in enumerate(errors) if text)
    with pytest.raises(pdravlik.ModelError) as raised:
        pdravlik.volume("BO", diameters, heights, strict=True)
    assert str(raised.value) == "element %d: %s" % (first, errors[first])

