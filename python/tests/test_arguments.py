"""How the functions take their arguments: species in every form the
calculator reads, numpy broadcasting, scalars, and the errors=, strict= and
all= forms of the results."""
import concurrent.futures

import numpy as np
import pytest

import pdravlik


def bits(values):
    return np.asarray(values, dtype=np.float64).view(np.uint64)


def test_species_are_the_modelled_thirteen_in_index_order():
    assert pdravlik.SPECIES[:3] == ("SM", "BO", "MD") and len(pdravlik.SPECIES) == 13
    assert pdravlik.SPECIES.index("DG") == 12


def test_a_species_by_index_code_or_name_is_the_same_species():
    by_index = pdravlik.volume(np.arange(13), 32.5, 27.25)
    for written in (list(pdravlik.SPECIES), [code.lower() for code in pdravlik.SPECIES],
                    [str(i) for i in range(13)], np.array([" %s\t" % code for code in pdravlik.SPECIES]),
                    np.array(pdravlik.SPECIES, dtype=object)):
        assert (bits(pdravlik.volume(written, 32.5, 27.25)) == bits(by_index)).all()
    named = pdravlik.volume(["smrk", "Fagus sylvatica", "Douglas fir", "bříza"], 32.5, 27.25)
    assert (bits(named) == bits(by_index[[0, 5, 12, 7]])).all()
    # No species is taken for another (two share their volume equations, not their growth).
    assert len(set(pdravlik.height([str(i) for i in range(13)], 80, 26).tolist())) == 13


def test_what_is_not_a_modelled_species_is_that_elements_error():
    species = np.array([0, 13, -1, 2**40], dtype=np.int64)
    got = pdravlik.height(species, 80, 28, errors=True)
    assert got.error.tolist() == ["", "Unknown species: 13", "Unknown species: -1",
                                  "Unknown species: %d" % 2**40]
    assert np.isfinite(got.values[0]) and np.isnan(got.values[1:]).all()
    mixed = pdravlik.height(np.array(["BK", None, np.nan, "KL", 3.0, 5], dtype=object), 80, 28, errors=True)
    assert mixed.error.tolist() == ["", "No value in species", "No value in species", "Unknown species: KL",
                                    "Unknown species: 3.0", ""]
    assert pdravlik.height(np.uint64(2**63 + 5), 80, 28, errors=True).error == "Unknown species: %d" % (2**63 + 5)


def test_missing_and_infinite_numbers_are_errors_in_the_calculators_order():
    got = pdravlik.diameter(["XX", "XX", "SM", "", "SM"], [np.nan, 50, np.inf, 50, -np.inf], [20, np.nan, 20, 20, 2],
                            errors=True)
    assert got.error.tolist() == ["No value in age", "No value in height", "Not a number in age: inf",
                                  "No value in species", "Not a number in age: -inf"]
    assert np.isnan(got.values).all() and (got.warning == "").all()


def test_inputs_broadcast_as_numpy_arrays_do():
    ages = np.array([40.0, 80.0, 120.0])[:, None]
    site_indices = np.array([[20.0, 24.0, 28.0, 32.0]])
    grid = pdravlik.height("SM", ages, site_indices)
    assert grid.shape == (3, 4)
    for i, age in enumerate(ages[:, 0]):
        for j, site in enumerate(site_indices[0]):
            assert bits(grid[i, j]) == bits(pdravlik.height(0, age, site))
    species = np.array([["SM", "BK", "DB", "BO"]])
    assert pdravlik.height(species, ages, 24.0).shape == (3, 4)
    with pytest.raises(ValueError):
        pdravlik.height("SM", np.ones(3), np.ones(4))


def test_scalars_give_python_floats_and_all_gives_the_four_volumes():
    single = pdravlik.volume("SM", 30, 25)
    assert type(single) is float
    four = pdravlik.volume("SM", 30, 25, all=True)
    assert four.shape == (4,) and bits(four[0]) == bits(single)
    table = pdravlik.volume(["SM", "XX"], [30, 31], 25, all=True, errors=True)
    assert table.values.shape == (2, 4) and np.isnan(table.values[1]).all()
    assert (bits(table.values[0]) == bits(four)).all()
    result = pdravlik.volume("SM", 30, -2, errors=True)
    assert isinstance(result, pdravlik.Results) and type(result.values) is float
    assert result.error == "" and "negative" in result.warning
    assert pdravlik.volume([], [], []).shape == (0,)


def test_rounded_results_are_the_tables_roundings():
    raw = pdravlik.volume("BK", [30, 45.3], [25, 31.7])
    rounded = pdravlik.volume("BK", [30, 45.3], [25, 31.7], rounded=True)
    assert (bits(rounded) == bits(np.round(raw, 2))).all()
    assert pdravlik.site_index("SM", 60, 21.3, rounded=True) == round(pdravlik.site_index("SM", 60, 21.3))
    assert pdravlik.height("SM", 60, 30, rounded=True) == round(pdravlik.height("SM", 60, 30), 1)
    per_ha = pdravlik.stand_volume("SM", 30, 25, 600, rounded=True)
    assert per_ha == round(600 * pdravlik.volume("SM", 30, 25), 2)


def test_strict_raises_for_the_first_error_or_warning():
    diameters = np.array([30, 31, -5, 40, 0])
    with pytest.raises(pdravlik.ModelError, match=r"^element 2: diameter -5 cm is negative"):
        pdravlik.volume("SM", diameters, 25, strict=True)
    with pytest.raises(pdravlik.ModelError, match=r"^element 1: Unknown species: XX$"):
        pdravlik.volume(["SM", "XX", "SM"], [30, 30, -5], 25, strict=True)
    assert issubclass(pdravlik.ModelError, ValueError)
    assert (bits(pdravlik.volume("SM", diameters[:2], 25, strict=True)) ==
            bits(pdravlik.volume("SM", diameters[:2], 25))).all()


def test_numbers_are_converted_by_numpy():
    assert bits(pdravlik.volume("SM", "30", np.float32(25))) == bits(pdravlik.volume("SM", 30.0, 25.0))
    assert np.isnan(pdravlik.volume("SM", None, 25))
    with pytest.raises(ValueError):
        pdravlik.volume("SM", "thirty", 25)


def test_many_texts_of_few_species_are_read_once_each():
    species = np.array(["SM", "BK", "xx", " bk"])[np.arange(200_000) % 4]
    got = pdravlik.volume(species, 30, 25, errors=True)
    assert (got.error[2::4] == "Unknown species: xx").all() and (got.error[0::4] == "").all()
    assert (bits(got.values[3::4]) == bits(pdravlik.volume(5, 30, 25))).all()


def test_threads_compute_side_by_side_as_one_does():
    rng = np.random.default_rng(3)
    parts = [(rng.integers(0, 13, 50_000), rng.uniform(5, 90, 50_000), rng.uniform(4, 45, 50_000)) for _ in range(4)]
    alone = [pdravlik.volume(*part, all=True) for part in parts]
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        together = list(pool.map(lambda part: pdravlik.volume(*part, all=True), parts))
    for one, other in zip(alone, together):
        assert (bits(one) == bits(other)).all()
