"""stand_summary gives the lines and columns pdravlik-calc stand writes for the
same tree list: by groups, with heights filled from curves, with plot areas
given once or per tree, and with trees left out for their errors."""
import numpy as np
import pytest

import pdravlik
from calculator_files import numbers_of, read_csv, run, same_doubles, write_csv

COUNTS = ("trees", "left_out")
NUMBERS = ("trees_per_ha", "basal_area_per_ha", "qmd", "lorey_height", "dominant_height", "volume", "volume_per_ha")


def tree_list(rng, count):
    species = rng.choice(np.array(["SM", "BK", "BO", "DB", "bk", "5", "XX", ""]), count,
                         p=[0.35, 0.25, 0.15, 0.12, 0.05, 0.04, 0.02, 0.02])
    diameters = rng.uniform(8, 60, count).round(1)
    heights = 1.3 + diameters ** 2 / (1.5 + 0.18 * diameters) ** 2 + rng.normal(0, 1.5, count)
    heights[rng.random(count) < 0.4] = np.nan
    diameters[rng.random(count) < 0.01] = np.nan
    diameters[rng.random(count) < 0.01] = -4
    return species, diameters, heights.round(1)


def assert_same_summary(got, path):
    expected = read_csv(path)
    assert list(got) == list(expected)
    for name, texts in expected.items():
        if name in COUNTS:
            assert got[name].dtype == np.int64
            np.testing.assert_array_equal(got[name], texts.astype(np.int64))
        elif name in NUMBERS:
            same_doubles(got[name], numbers_of(texts))
        else:
            assert got[name].dtype == object and all(type(text) is str for text in got[name])
            np.testing.assert_array_equal(got[name], texts)


def test_groups_with_filled_heights_sum_as_the_calculator_sums(tmp_path):
    rng = np.random.default_rng(11)
    species, diameters, heights = tree_list(rng, 6000)
    stands = rng.choice(np.array(["north", "south, old"]), 6000)
    plots = rng.integers(1, 6, 6000)
    # One plot with too few measured beeches for a curve, so that trees are left out for it.
    few = (plots == 5) & np.isin(species, ["BK", "bk", "5"])
    heights[few] = np.where(np.arange(few.sum()) < 2, 30.0, np.nan)
    write_csv(tmp_path / "trees.csv", {"stand": stands, "plot": plots,
                                       "species": species, "diameter": diameters, "height": heights})
    run("stand", "-i", str(tmp_path / "trees.csv"), "-o", str(tmp_path / "stand.csv"), "--plot-area", "500",
        "--group-by", "stand,plot", "--fill-heights")
    got = pdravlik.stand_summary(species, diameters, heights, plot_area=500, groups={"stand": stands, "plot": plots},
                                 fill_heights=True)
    assert_same_summary(got, tmp_path / "stand.csv")
    # The inputs reached what the test is about.
    assert len(got["species"]) > 20 and (got["left_out"] > 0).sum() > 5
    assert any("curve" in text for text in got["error"])
    assert (np.char.count(got["error"].astype(str), "Unknown species") > 0).any()


def test_each_trees_plot_area_and_michailoffs_curve(tmp_path):
    rng = np.random.default_rng(12)
    species, diameters, heights = tree_list(rng, 3000)
    areas = np.where(rng.random(3000) < 0.995, 400.0, 250.0)
    areas[:3] = [np.nan, -1, 400]
    plots = rng.choice(np.array(["a", "b"]), 3000)
    write_csv(tmp_path / "trees.csv", {"species": species, "d": diameters, "h": heights, "area": areas,
                                       "plot": plots})
    run("stand", "-i", str(tmp_path / "trees.csv"), "-o", str(tmp_path / "stand.csv"), "--plot-area-column", "area",
        "--columns", "diameter=d,height=h", "--group-by", "plot", "--fill-heights", "--curve", "michailoff",
        "--min-heights", "8")
    got = pdravlik.stand_summary(species, diameters, heights, plot_area_per_tree=areas, groups={"plot": plots},
                                 fill_heights=True, curve="michailoff", min_heights=8)
    assert_same_summary(got, tmp_path / "stand.csv")
    assert any("plot area" in text for text in got["error"])


def test_without_filling_a_missing_height_leaves_its_tree_out(tmp_path):
    species = np.array([0, 0, 5, 13])
    got = pdravlik.stand_summary(species, [30, 32, 41, 30], [26, np.nan, 30, 25], plot_area=1000)
    write_csv(tmp_path / "trees.csv", {"species": species.astype(str), "diameter": [30, 32, 41, 30],
                                       "height": [26, np.nan, 30, 25]})
    run("stand", "-i", str(tmp_path / "trees.csv"), "-o", str(tmp_path / "stand.csv"), "--plot-area", "1000")
    assert_same_summary(got, tmp_path / "stand.csv")
    assert got["species"].tolist() == ["SM", "BK", "all"]
    assert got["left_out"].tolist() == [1, 0, 2]


@pytest.mark.parametrize("arguments", [
    {},                                                  # no plot area
    {"plot_area": 500, "plot_area_per_tree": [500]},     # both
    {"plot_area": 0},
    {"plot_area": 500, "curve": "spline"},
    {"plot_area": 500, "min_heights": 2},
    {"plot_area": 500, "min_heights": 5.5},
    {"plot_area": 500, "groups": {"species": ["a"]}},   # a name the summary takes
    {"plot_area": 500, "groups": {" ": ["a"]}},
])
def test_what_the_calculator_refuses_is_a_value_error(arguments):
    with pytest.raises(ValueError):
        pdravlik.stand_summary(["SM"], [30], [25], **arguments)
