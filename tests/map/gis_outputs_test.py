#!/usr/bin/python3
"""The area run's files in the tools planners use: GDAL's programs and Python modules, xarray.

Runs fieldcast-map on the map tests' fixtures with every GIS format and checks that the grids
carry WGS 84 and answer at a node with the value of area.csv, that xarray opens the netCDF
grid with its coordinates and CF attributes, that the contours and service areas lie where the
grid says the field crosses their levels, and that the metadata beside the CSV holds the
scenario, the time zone and the frequency warning.

usage: gis_outputs_test.py --map-exe EXE --fixture DIR
"""

import argparse
import csv
import json
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import numpy
import xarray
from osgeo import gdal, ogr

ARGS = None
WORK = None
RUN = None
# around the fixtures' transmitter (35.68 N, 139.69 E), its node included, and past 4000 km in
# the south-west corner, at a frequency above the fixtures' tables (100-1600 kHz)
AREA = ['-R', '103.69/151.69/-0.32/43.68', '--step', '2', '--time-zone', 'UTC', '--hours', '0,12',
        '--contours', '40,50', '--no-maps', '--freq-khz', '2000']


def run(args):
    return subprocess.run([ARGS.map_exe] + args, capture_output=True, text=True, check=False)


def setUpModule():
    global WORK, RUN
    gdal.UseExceptions()
    WORK = tempfile.mkdtemp(prefix='gis-test-')
    # removed even when the run below fails (tearDownModule is then not called)
    unittest.addModuleCleanup(shutil.rmtree, WORK, ignore_errors=True)
    RUN = run(['area', ARGS.fixture, '-o', os.path.join(WORK, 'out'), '--format',
               'grid,csv,geotiff,geojson,kml'] + AREA)
    if RUN.returncode != 0:
        raise RuntimeError(RUN.stdout + RUN.stderr)


def out(name):
    return os.path.join(WORK, 'out', name)


def csv_rows():
    with open(out('area.csv'), encoding='utf-8') as f:
        return list(csv.DictReader(f))


def cell_value(text):
    return math.nan if text == '' else float(text)


def ring_area(ring):
    """Twice the signed area of a ring: positive when it runs anticlockwise."""
    return sum(x1 * y2 - x2 * y1 for (x1, y1), (x2, y2) in zip(ring, ring[1:]))


def polygons_of(geometry):
    return [geometry['coordinates']] if geometry['type'] == 'Polygon' else \
        geometry['coordinates']


def longitudes(coordinates):
    if isinstance(coordinates[0], (int, float)):
        return [coordinates[0]]
    return [lon for part in coordinates for lon in longitudes(part)]


class Grids(unittest.TestCase):
    def test_files_name_the_hours_of_the_chosen_zone(self):
        names = sorted(os.listdir(os.path.join(WORK, 'out')))
        self.assertEqual(names, ['area.csv', 'area.json', 'contours.geojson', 'contours.kml',
                                 'field-00.nc', 'field-12.nc', 'field.nc', 'field.tif',
                                 'service-areas.geojson', 'service-areas.kml'])
        # UTC 00 and 12 are the JST hours 9 and 21
        hours = {(r['hourJst'], r['hourUtc']) for r in csv_rows()}
        self.assertEqual(hours, {('9', '0'), ('21', '12')})

    def test_gdal_sees_wgs84_and_answers_with_the_value_of_area_csv(self):
        rows = [r for r in csv_rows() if r['hourUtc'] == '12']
        for name in ['field-12.nc', 'field.tif']:
            info = subprocess.run(['gdalinfo', out(name)], capture_output=True, text=True,
                                  check=True).stdout
            self.assertIn('GEOGCRS["WGS 84"', info)
            self.assertIn('ID["EPSG",4326]', info)
            band = [] if name.endswith('.nc') else ['-b', '2']
            for row in rows[::37] + [r for r in rows if r['groundRangeKm'] == '0']:
                answer = subprocess.run(
                    ['gdallocationinfo', '-valonly', '-wgs84'] + band +
                    [out(name), row['lonDeg'], row['latDeg']],
                    capture_output=True, text=True, check=True).stdout.strip()
                expected = numpy.float32(cell_value(row['fieldDb']))
                got = numpy.float32(float(answer))
                if math.isnan(expected):
                    self.assertTrue(math.isnan(got), row)
                    self.assertEqual(row['pathKind'], 'beyondRange')
                else:
                    self.assertEqual(got, expected, (name, row))
        self.assertIn('Description = fieldDb 12:00 UTC (hourJst 21, hourUtc 12)',
                      subprocess.run(['gdalinfo', out('field.tif')], capture_output=True,
                                     text=True, check=True).stdout)

    def test_xarray_opens_the_cf_grid_with_its_coordinates(self):
        with xarray.open_dataset(out('field-00.nc')) as grid:
            self.assertEqual(set(grid.coords), {'time', 'lat', 'lon'})
            self.assertEqual(grid.attrs['Conventions'], 'CF-1.8')
            self.assertEqual(grid.lat.attrs['units'], 'degrees_north')
            self.assertEqual(grid.lon.attrs['standard_name'], 'longitude')
            field = grid.fieldDb
            self.assertEqual(field.attrs['units'], 'dB(uV/m)')
            self.assertEqual(field.dims, ('time', 'lat', 'lon'))
            self.assertEqual(str(grid.time.values[0])[:19], '2000-06-15T00:00:00')
            self.assertEqual(int(grid.hourJst.values[0]), 9)
            for key, value in [('freqKhz', 2000), ('txLatDeg', 35.68), ('month', 6),
                               ('timeZone', 'UTC'), ('resultMode', 2)]:
                self.assertEqual(grid.attrs[key], value, key)
            # codes and counts are whole numbers in the file, as a reader expects them
            for key in ('month', 'solarActivityCode', 'txGroundCode', 'resultMode',
                        'timeZoneOffsetMinutes'):
                self.assertTrue(numpy.issubdtype(type(grid.attrs[key]), numpy.integer),
                                (key, type(grid.attrs[key])))
            self.assertIn('frequencyWarning', grid.attrs)
            # the title, as the maps and plots carry it, says so too
            self.assertIn('2000 kHz (outside the tables), ', grid.attrs['title'])
            self.assertNotIn('/tmp', grid.attrs['history'])
            # the transmitter's node is +inf as in the CSV; NaN only beyond 4000 km
            self.assertEqual(float(field.sel(lat=35.68, lon=139.69).values[0]), math.inf)
            for row in csv_rows():
                if row['hourUtc'] != '0':
                    continue
                value = float(field.sel(lat=float(row['latDeg']), lon=float(row['lonDeg']),
                                        method='nearest').values[0])
                self.assertEqual(math.isnan(value), row['pathKind'] == 'beyondRange', row)


    def test_gmt_reads_the_range_of_the_finite_field_from_the_header(self):
        # Fault: gmt grdinfo read the field's range as 0 to 0 (nothing in the header said it)
        for name in ['field-00.nc', 'field-12.nc', 'field.nc']:
            with xarray.open_dataset(out(name)) as grid:
                values = grid.fieldDb.values
                finite = values[numpy.isfinite(values)]
                self.assertIn(math.inf, values)  # the transmitter's node, left out of the range
                expected = [float(finite.min()), float(finite.max())]
                self.assertEqual([float(v) for v in grid.fieldDb.attrs['actual_range']], expected)
            info = subprocess.run(['gmt', 'grdinfo', '-C', out(name)], capture_output=True,
                                  text=True, check=True).stdout.split('\t')
            # name, west, east, south, north, time min and max, field min and max, ...
            self.assertEqual([round(float(v), 4) for v in info[7:9]],
                             [round(v, 4) for v in expected], name)

    def test_every_hour_in_one_file_along_time(self):
        with xarray.open_dataset(out('field.nc')) as every:
            self.assertEqual(every.fieldDb.dims, ('time', 'lat', 'lon'))
            self.assertEqual([int(h) for h in every.hourJst.values], [9, 21])
            for i, name in enumerate(['field-00.nc', 'field-12.nc']):
                with xarray.open_dataset(out(name)) as one:
                    self.assertEqual(every.time.values[i], one.time.values[0])
                    numpy.testing.assert_array_equal(every.fieldDb.values[i],
                                                     one.fieldDb.values[0])


    def test_time_rises_along_the_hours_of_the_zone_and_the_bands_follow_it(self):
        # JST 00 and 12 start at 15:00 UTC the day before and 03:00 UTC; UTC 00 and 20 are the
        # JST hours 9 and 5, so JST's order would put 20:00 first
        for zone, hours, times, jst in [
                ('JST', '0,12', ['2000-06-14T15:00', '2000-06-15T03:00'], [0, 12]),
                ('UTC', '0,20', ['2000-06-15T00:00', '2000-06-15T20:00'], [9, 5]),
                ('-05:00', '0,23', ['2000-06-15T05:00', '2000-06-16T04:00'], [14, 13])]:
            folder = os.path.join(WORK, 'time-' + zone)
            result = run(['area', ARGS.fixture, '-o', folder, '-R', '139/141/35/37', '--step',
                          '1', '--freq-khz', '100', '--no-maps', '--format', 'grid,geotiff,csv',
                          '--time-zone', zone, '--hours', hours])
            self.assertEqual(result.returncode, 0, result.stderr)
            with xarray.open_dataset(os.path.join(folder, 'field.nc')) as every:
                self.assertEqual([str(t)[:16] for t in every.time.values], times, zone)
                self.assertEqual([int(h) for h in every.hourJst.values], jst, zone)
                tif = gdal.Open(os.path.join(folder, 'field.tif'))
                for band in range(tif.RasterCount):
                    self.assertEqual(int(tif.GetRasterBand(band + 1).GetMetadataItem('hourJst')),
                                     jst[band], zone)
                    numpy.testing.assert_array_equal(
                        tif.GetRasterBand(band + 1).ReadAsArray(),
                        every.fieldDb.values[band][::-1])

    def test_geotiff_statistics_are_those_of_the_finite_field(self):
        # Fault: the statistics GDAL computed took the transmitter's +inf node: maximum inf,
        # mean and deviation NaN, over which QGIS stretches its colours
        with xarray.open_dataset(out('field.nc')) as every:
            grids = every.fieldDb.values
        tif = gdal.Open(out('field.tif'))
        for index in range(tif.RasterCount):
            values = grids[index].astype(numpy.float64)
            self.assertIn(math.inf, values)
            finite = values[numpy.isfinite(values)]
            least, greatest, mean, deviation = tif.GetRasterBand(index + 1).GetStatistics(0, 1)
            # stored as text of 14 digits: the float32 values of the grid again
            self.assertEqual([numpy.float32(least), numpy.float32(greatest)],
                             [numpy.float32(finite.min()), numpy.float32(finite.max())], index)
            self.assertAlmostEqual(mean, finite.mean(), places=4)
            self.assertAlmostEqual(deviation, finite.std(), places=4)
        info = subprocess.run(['gdalinfo', '-stats', out('field.tif')], capture_output=True,
                              text=True, check=True).stdout
        statistics = re.findall(r'Minimum=(\S+), Maximum=(\S+), Mean=(\S+), StdDev=(\S+)', info)
        self.assertEqual(len(statistics), tif.RasterCount)
        for numbers in statistics:
            self.assertTrue(all(math.isfinite(float(n.rstrip(','))) for n in numbers), numbers)
        # stored in the file: nothing written beside it
        self.assertFalse(os.path.exists(out('field.tif.aux.xml')))


class Contours(unittest.TestCase):
    def test_service_areas_hold_the_nodes_at_their_level_and_no_other(self):
        areas = json.load(open(out('service-areas.geojson'), encoding='utf-8'))
        polygons = {}
        for feature in areas['features']:
            properties = feature['properties']
            key = (properties['hourUtc'], properties['levelDb'])
            polygons[key] = ogr.CreateGeometryFromJson(json.dumps(feature['geometry']))
            self.assertEqual(properties['hour'], '%02d:00 UTC' % key[0])
        self.assertEqual(set(polygons), {(0, 40.0), (0, 50.0), (12, 40.0), (12, 50.0)})
        checked = 0
        for row in csv_rows():
            if row['pathKind'] == 'beyondRange' or row['fieldDb'] == 'inf':
                continue
            value = float(row['fieldDb'])
            point = ogr.CreateGeometryFromWkt('POINT (%s %s)' % (row['lonDeg'], row['latDeg']))
            for level in (40.0, 50.0):
                inside = polygons[(int(row['hourUtc']), level)].Intersects(point)
                # a node on a level's line may fall either side of the interpolated edge
                if abs(value - level) > 0.01:
                    self.assertEqual(inside, value > level, (row, level))
                    checked += 1
        self.assertGreater(checked, 500)

    def test_the_transmitters_node_is_inside_the_service_area_of_every_level(self):
        # Fault: its +inf stood in the contouring as 999 dB, so the service area of a level from
        # 999 dB to the highest accepted, 1000, was empty
        result = run(['area', ARGS.fixture, '-o', os.path.join(WORK, 'top'), '--format',
                      'geojson', '-R', '138.69/140.69/34.68/36.68', '--step', '0.5', '--hours',
                      '0', '--no-maps', '--contours', '999.5,1000'])
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(os.path.join(WORK, 'top', 'service-areas.geojson'), encoding='utf-8') as f:
            areas = json.load(f)
        node = ogr.CreateGeometryFromWkt('POINT (139.69 35.68)')
        levels = set()
        for feature in areas['features']:
            polygon = ogr.CreateGeometryFromJson(json.dumps(feature['geometry']))
            self.assertTrue(polygon.Intersects(node), feature['properties'])
            levels.add(feature['properties']['levelDb'])
        self.assertEqual(levels, {999.5, 1000.0})

    def test_a_level_under_every_node_has_the_whole_grid_as_its_service_area(self):
        # Fault: a level that no node fell below had no service area at all (GDAL's band then
        # starts below the level), as if nothing were served
        folder = os.path.join(WORK, 'low')
        result = run(['area', ARGS.fixture, '-o', folder, '--format', 'geojson,kml', '-R',
                      '138.69/140.69/34.68/36.68', '--step', '0.5', '--hours', '0', '--no-maps',
                      '--contours', '10,1000'])
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(os.path.join(folder, 'service-areas.geojson'), encoding='utf-8') as f:
            features = json.load(f)['features']
        self.assertEqual(sorted(f['properties']['levelDb'] for f in features), [10.0, 1000.0])
        low = [ogr.CreateGeometryFromJson(json.dumps(f['geometry'])) for f in features
               if f['properties']['levelDb'] == 10.0][0]
        for lat in (34.68, 35.18, 35.68, 36.18, 36.68):
            for lon in (138.69, 139.19, 139.69, 140.19, 140.69):
                point = ogr.CreateGeometryFromWkt('POINT (%s %s)' % (lon, lat))
                self.assertTrue(low.Intersects(point), (lat, lon))
        kml = ogr.Open(os.path.join(folder, 'service-areas.kml'))
        levels = sorted(float(feature.GetField('levelDb')) for layer in kml for feature in layer)
        self.assertEqual(levels, [10.0, 1000.0])
        # Fault: a grid ending at 360 lost the half step past its east nodes (GDAL's cut at the
        # antimeridian drops what lies past 360): the whole grid ended at 0, not 0.5
        folder = os.path.join(WORK, 'low-360')
        result = run(['area', ARGS.fixture, '-o', folder, '--format', 'geojson,kml', '-R',
                      '350/360/40/50', '--step', '1', '--hours', '0', '--no-maps', '--tx-lat',
                      '45', '--tx-lon', '355', '--freq-khz', '100', '--contours', '-100'])
        self.assertEqual(result.returncode, 0, result.stderr)
        for name in ['service-areas.geojson', 'service-areas.kml']:
            shapes = [f.GetGeometryRef().Clone()
                      for layer in ogr.Open(os.path.join(folder, name)) for f in layer]
            self.assertEqual([s.GetEnvelope() for s in shapes], [(-10.5, 0.5, 39.5, 50.5)], name)

    def test_geojson_is_rfc7946_and_every_file_names_the_scenario_and_model(self):
        for name in ['contours.geojson', 'service-areas.geojson']:
            collection = json.load(open(out(name), encoding='utf-8'))
            self.assertNotIn('crs', collection, name)
            self.assertIn('2000 kHz', collection['description'], name)
            self.assertIn('classic model', collection['description'], name)
            rings = 0
            for feature in collection['features']:
                geometry = feature['geometry']
                if geometry['type'] == 'LineString':
                    continue
                for polygon in polygons_of(geometry):
                    # exterior rings anticlockwise, holes clockwise
                    self.assertGreater(ring_area(polygon[0]), 0, feature['properties'])
                    for hole in polygon[1:]:
                        self.assertLess(ring_area(hole), 0, feature['properties'])
                    rings += len(polygon)
            if name == 'service-areas.geojson':
                self.assertGreater(rings, 4)
        for name in ['contours.kml', 'service-areas.kml']:
            text = open(out(name), encoding='utf-8').read()
            self.assertRegex(text, r'<description>[^<]*2000 kHz[^<]*classic model</description>')

    def test_service_areas_across_180_are_cut_there_and_hold_their_nodes(self):
        folder = os.path.join(WORK, 'across-180')
        result = run(['area', ARGS.fixture, '-o', folder, '-R', '160/200/30/60', '--step', '2',
                      '--tx-lat', '45', '--tx-lon', '178', '--freq-khz', '100', '--hours', '9',
                      '--contours', '40', '--no-maps', '--format', 'csv,geojson,kml'])
        self.assertEqual(result.returncode, 0, result.stderr)
        areas = json.load(open(os.path.join(folder, 'service-areas.geojson'), encoding='utf-8'))
        self.assertEqual(len(areas['features']), 1)
        geometry = areas['features'][0]['geometry']
        lons = longitudes(geometry['coordinates'])
        self.assertTrue(all(-180 <= lon <= 180 for lon in lons), (min(lons), max(lons)))
        # the area around the transmitter reaches both sides of the antimeridian
        self.assertIn(180, lons)
        self.assertIn(-180, lons)
        # Fault: KML held the polygon in longitudes wrapped into -180..180 but not cut, which
        # GIS readers draw round the whole globe; it is cut as the GeoJSON is
        kml = ogr.Open(os.path.join(folder, 'service-areas.kml'))
        kmlFeatures = list(kml.GetLayer(0))
        self.assertEqual(len(kmlFeatures), 1)
        kmlArea = kmlFeatures[0].GetGeometryRef().Clone()
        self.assertEqual(kmlArea.GetGeometryCount(), 2)
        for area in [ogr.CreateGeometryFromJson(json.dumps(geometry)), kmlArea]:
            checked = 0
            with open(os.path.join(folder, 'area.csv'), encoding='utf-8') as f:
                for row in csv.DictReader(f):
                    if row['pathKind'] == 'beyondRange' or row['fieldDb'] == 'inf':
                        continue
                    value = float(row['fieldDb'])
                    lon = float(row['lonDeg'])
                    lon = lon - 360 if lon > 180 else lon
                    # the nodes of the grid's edge at 180 lie on the cut, on either side's edge
                    if abs(value - 40) > 0.01 and abs(lon) != 180:
                        point = ogr.CreateGeometryFromWkt('POINT (%r %s)' % (lon, row['latDeg']))
                        self.assertEqual(area.Intersects(point), value > 40, row)
                        checked += 1
            self.assertGreater(checked, 200)

    def test_shapes_cut_at_180_keep_no_empty_part(self):
        # Fault: GeoJSON's driver, cutting a service area at the antimeridian itself, wrote an
        # empty polygon ("[ ]") into the MultiPolygon, and KML's cut held an empty one too:
        # neither a linear ring nor a shape readers take
        folder = os.path.join(WORK, 'empty-part')
        result = run(['area', ARGS.fixture, '-o', folder, '-R', '160/200/20/60', '--step', '1',
                      '--tx-lat', '50', '--tx-lon', '175', '--freq-khz', '100', '--hours', '0',
                      '--contours', '40,50,60', '--no-maps', '--format', 'geojson,kml'])
        self.assertEqual(result.returncode, 0, result.stderr)
        for name in ['service-areas.geojson', 'contours.geojson']:
            features = json.load(open(os.path.join(folder, name), encoding='utf-8'))['features']
            self.assertGreater(len(features), 0, name)
            for feature in features:
                geometry = feature['geometry']
                if geometry['type'] in ('Polygon', 'MultiPolygon'):
                    for polygon in polygons_of(geometry):
                        self.assertGreater(len(polygon), 0, (name, feature['properties']))
                        for ring in polygon:
                            self.assertGreaterEqual(len(ring), 4, (name, feature['properties']))
                else:
                    lines = [geometry['coordinates']] if geometry['type'] == 'LineString' \
                        else geometry['coordinates']
                    for line in lines:
                        self.assertGreaterEqual(len(line), 2, (name, feature['properties']))
        # the crossing is there: the service areas reach both sides of 180
        areas = json.load(open(os.path.join(folder, 'service-areas.geojson'), encoding='utf-8'))
        lons = longitudes([f['geometry']['coordinates'] for f in areas['features']])
        self.assertIn(180, lons)
        self.assertIn(-180, lons)
        for name in ['service-areas.kml', 'contours.kml']:
            shapes = ogr.Open(os.path.join(folder, name))
            for layer in shapes:
                for feature in layer:
                    shape = feature.GetGeometryRef()
                    self.assertFalse(shape.IsEmpty(), name)
                    for i in range(shape.GetGeometryCount() if shape.GetGeometryName()
                                   .startswith('MULTI') else 0):
                        self.assertFalse(shape.GetGeometryRef(i).IsEmpty(), (name, i))

    def test_a_grid_round_the_globe_gives_valid_shapes_that_hold_their_nodes(self):
        # Fault: the nodes at both ends of a global grid are the same places; their areas, each
        # half a step past its node and moved into -180..180, overlapped, and a service area
        # across the antimeridian was a polygon over itself (GEOS: invalid). Where the ends
        # meet inside -180..180 (0/360), the two pieces must join into one polygon.
        for region, tx_lon, join in [('-180/180/-60/80', '178', 180), ('0/360/-60/80', '2', 0)]:
            folder = os.path.join(WORK, 'globe-' + tx_lon)
            result = run(['area', ARGS.fixture, '-o', folder, '-R', region, '--step', '4',
                          '--tx-lat', '45', '--tx-lon', tx_lon, '--freq-khz', '100', '--hours',
                          '9', '--contours', '40', '--no-maps', '--format', 'csv,geojson,kml'])
            self.assertEqual(result.returncode, 0, result.stderr)
            with open(os.path.join(folder, 'area.csv'), encoding='utf-8') as f:
                rows = list(csv.DictReader(f))
            for name in ['service-areas.geojson', 'service-areas.kml', 'contours.geojson',
                         'contours.kml']:
                shapes = [feature.GetGeometryRef().Clone()
                          for layer in ogr.Open(os.path.join(folder, name)) for feature in layer]
                self.assertGreater(len(shapes), 0, (region, name))
                for shape in shapes:
                    self.assertTrue(shape.IsValid(), (region, name))
                    envelope = shape.GetEnvelope()
                    self.assertGreaterEqual(envelope[0], -180, (region, name))
                    self.assertLessEqual(envelope[1], 180, (region, name))
                if not name.startswith('service-areas'):
                    continue
                self.assertEqual(len(shapes), 1, (region, name))
                area = shapes[0]
                checked = 0
                for row in rows:
                    if row['pathKind'] == 'beyondRange' or row['fieldDb'] == 'inf':
                        continue
                    value = float(row['fieldDb'])
                    lon = float(row['lonDeg'])
                    lon = lon - 360 if lon > 180 else lon
                    # the nodes where the ends meet lie on the edge of either end's piece
                    if abs(value - 40) > 0.01 and abs(lon) != join:
                        point = ogr.CreateGeometryFromWkt('POINT (%r %s)' % (lon, row['latDeg']))
                        self.assertEqual(area.Intersects(point), value > 40, (region, name, row))
                        checked += 1
                self.assertGreater(checked, 100, (region, name))

    def test_service_areas_of_a_grid_that_reaches_a_pole_end_there(self):
        # Fault: the area of a node on the pole reaches half a step past it; GDAL refused to
        # write such a polygon as RFC 7946 GeoJSON, and the run ended with status 1 (KML would
        # have held latitudes past 90)
        for region, tx_lat in [('-30/60/70/90', '80'), ('-30/60/-90/-70', '-80')]:
            folder = os.path.join(WORK, 'pole' + tx_lat)
            result = run(['area', ARGS.fixture, '-o', folder, '-R', region, '--step', '2',
                          '--tx-lat', tx_lat, '--tx-lon', '10', '--freq-khz', '100', '--hours',
                          '9', '--contours', '40', '--no-maps', '--format', 'csv,geojson,kml'])
            self.assertEqual(result.returncode, 0, (region, result.stderr))
            with open(os.path.join(folder, 'area.csv'), encoding='utf-8') as f:
                rows = list(csv.DictReader(f))
            for name in ['service-areas.geojson', 'service-areas.kml']:
                shapes = [feature.GetGeometryRef().Clone()
                          for layer in ogr.Open(os.path.join(folder, name)) for feature in layer]
                self.assertEqual(len(shapes), 1, (region, name))
                area = shapes[0]
                self.assertTrue(area.IsValid(), (region, name))
                south, north = area.GetEnvelope()[2:]
                self.assertGreaterEqual(south, -90, (region, name))
                self.assertLessEqual(north, 90, (region, name))
                checked = 0
                for row in rows:
                    if row['pathKind'] == 'beyondRange' or row['fieldDb'] == 'inf':
                        continue
                    value = float(row['fieldDb'])
                    if abs(value - 40) > 0.01:
                        point = ogr.CreateGeometryFromWkt(
                            'POINT (%s %s)' % (row['lonDeg'], row['latDeg']))
                        self.assertEqual(area.Intersects(point), value > 40, (region, name, row))
                        checked += 1
                self.assertGreater(checked, 100, (region, name))
                # the nodes on the pole are served: the area reaches it
                pole = [r for r in rows if abs(float(r['latDeg'])) == 90]
                if all(float(r['fieldDb']) > 40 for r in pole):
                    self.assertEqual(max(abs(south), abs(north)), 90, (region, name))

    def test_kml_takes_no_longer_than_geojson_to_write(self):
        # Fault: GDAL's LIBKML driver, closing a file whose fields were typed (<SimpleData>),
        # copied the whole document once for each value: six hours of contours on a 0.2 degree
        # grid took about ten times as long as the same contours as GeoJSON, and a day on a
        # finer grid minutes, growing with the square of the file
        seconds = {}
        for kind in ['geojson', 'kml']:
            folder = os.path.join(WORK, 'timed-' + kind)
            start = time.monotonic()
            result = run(['area', ARGS.fixture, '-o', folder, '-R', '125/155/20/50', '--step',
                          '0.2', '--hours', '0-5', '--freq-khz', '500', '--no-maps', '--format',
                          kind])
            seconds[kind] = time.monotonic() - start
            self.assertEqual(result.returncode, 0, result.stderr)
        size = os.path.getsize(os.path.join(WORK, 'timed-kml', 'contours.kml'))
        self.assertGreater(size, 2_000_000)
        self.assertLess(seconds['kml'], 3 * seconds['geojson'] + 2, seconds)
        # the fields are there, untyped: a reader takes the level from its text
        kml = ogr.Open(os.path.join(WORK, 'timed-kml', 'contours.kml'))
        levels = {float(f.GetField('levelDb')) for layer in kml for f in layer}
        self.assertEqual(levels, {40.0, 50.0, 60.0})

    def test_lines_and_kml_carry_each_hour_and_level(self):
        lines = json.load(open(out('contours.geojson'), encoding='utf-8'))
        keys = {(f['properties']['hourUtc'], f['properties']['levelDb']) for f in lines['features']}
        self.assertEqual(keys, {(0, 40.0), (0, 50.0), (12, 40.0), (12, 50.0)})
        for name in ['contours.kml', 'service-areas.kml']:
            kml = ogr.Open(out(name))
            names = sorted(kml.GetLayer(i).GetName() for i in range(kml.GetLayerCount()))
            self.assertEqual(names, ['00:00 UTC', '12:00 UTC'], name)
            self.assertGreater(kml.GetLayer(0).GetFeatureCount(), 0, name)


class Metadata(unittest.TestCase):
    def test_json_beside_the_csv_holds_scenario_zone_and_warning(self):
        meta = json.load(open(out('area.json'), encoding='utf-8'))
        self.assertEqual(meta['freqKhz'], 2000)
        self.assertEqual(meta['timeZone'], 'UTC')
        self.assertEqual(meta['hoursJst'], '9,21')
        self.assertIn('model', meta)
        self.assertIn('2000 kHz lies outside the frequency axes', meta['frequencyWarning'])
        self.assertIn(meta['frequencyWarning'], RUN.stderr)

    def test_a_frequency_inside_the_tables_gives_no_warning_and_a_half_hour_zone(self):
        result = run(['area', ARGS.fixture, '-o', os.path.join(WORK, 'lf'), '-R', '139/140/35/36',
                      '--step', '1', '--freq-khz', '100', '--format', 'csv,grid', '--no-maps',
                      '--time-zone', '+05:30', '--hours', '5'])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, '')
        meta = json.load(open(os.path.join(WORK, 'lf', 'area.json'), encoding='utf-8'))
        self.assertNotIn('frequencyWarning', meta)
        self.assertEqual((meta['timeZone'], meta['timeZoneOffsetMinutes']), ('UTC+05:30', 330))
        # 05:30 in India is 00:00 UTC and 09:00 JST
        self.assertEqual(meta['hoursJst'], '9')
        self.assertTrue(os.path.exists(os.path.join(WORK, 'lf', 'field-0530.nc')))

    def test_a_region_wholly_beyond_range_is_said_so_in_every_file(self):
        # Fault: a region with no node within 4000 km (a transmitter or region mistyped) gave
        # grids of NaN alone and empty contour files, with status 0 and not a word
        self.assertNotIn('rangeWarning', json.load(open(out('area.json'), encoding='utf-8')))
        folder = os.path.join(WORK, 'beyond')
        result = run(['area', ARGS.fixture, '-o', folder, '-R', '0/10/0/10', '--step', '2',
                      '--hours', '0', '--no-maps', '--format', 'grid,csv,geotiff,geojson'])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn('warning: no node of the region lies within 4000 km', result.stderr)
        warning = json.load(open(os.path.join(folder, 'area.json'),
                                 encoding='utf-8'))['rangeWarning']
        self.assertIn(warning, result.stderr)
        with xarray.open_dataset(os.path.join(folder, 'field.nc')) as grid:
            self.assertTrue(numpy.isnan(grid.fieldDb.values).all())
            self.assertEqual(grid.attrs['rangeWarning'], warning)
        self.assertEqual(gdal.Open(os.path.join(folder, 'field.tif')).GetMetadataItem(
            'rangeWarning'), warning)
        with open(os.path.join(folder, 'service-areas.geojson'), encoding='utf-8') as f:
            self.assertEqual(json.load(f)['features'], [])
        # one node within range (of four) is enough to say nothing
        result = run(['area', ARGS.fixture, '-o', os.path.join(WORK, 'one-in-range'), '-R',
                      '109.69/111.69/9.68/11.68', '--step', '2', '--hours', '0', '--no-maps',
                      '--format', 'csv', '--freq-khz', '100'])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotIn('no node of the region', result.stderr)


    def test_a_region_written_across_the_transmitters_antimeridian_is_said_so(self):
        # Fault: a grid round the globe (-180/180) about a transmitter at 170 E took the nodes
        # east of 180 at longitudes more than half a turn from the transmitter's, where the
        # classic method puts the control point and its sun off the path: tens of dB apart
        # from the same places written 0/360, without a word
        common = ['--step', '5', '--tx-lat', '55', '--tx-lon', '170', '--freq-khz', '100',
                  '--hours', '0-23', '--no-maps', '--format', 'csv']
        runs = {}
        for name, region, model in [('minus', '-180/180/40/70', 'classic'),
                                    ('plus', '0/360/40/70', 'classic'),
                                    ('extended', '-180/180/40/70', 'extended')]:
            folder = os.path.join(WORK, 'turn-' + name)
            result = run(['area', ARGS.fixture, '-o', folder, '-R', region, '--model', model] +
                         common)
            self.assertEqual(result.returncode, 0, result.stderr)
            with open(os.path.join(folder, 'area.json'), encoding='utf-8') as f:
                meta = json.load(f)
            with open(os.path.join(folder, 'area.csv'), encoding='utf-8') as f:
                rows = list(csv.DictReader(f))
            runs[name] = (result.stderr, meta, rows)
        stderr, meta, rows = runs['minus']
        far = [row for row in rows if row['hourJst'] == '0' and float(row['lonDeg']) < -10
               and row['pathKind'] in ('oneHop', 'twoHop')]
        self.assertIn('%d sky-wave nodes of the region lie more than 180 degrees of longitude '
                      "from the transmitter's (170)" % len(far), stderr)
        self.assertIn(meta['longitudeWarning'], stderr)
        for name in ['plus', 'extended']:
            self.assertNotIn('longitudeWarning', runs[name][1], name)
            self.assertNotIn('180 degrees of longitude', runs[name][0], name)
        # what the warning is about: the same places, written the two ways, apart by far more
        # than rounding
        plus = {(r['latDeg'], float(r['lonDeg']) % 360, r['hourJst']): r['fieldDb']
                for r in runs['plus'][2]}
        apart = max(abs(float(row['fieldDb']) -
                        float(plus[(row['latDeg'], float(row['lonDeg']) % 360, row['hourJst'])]))
                    for row in far)
        self.assertGreater(apart, 10)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument('--map-exe', required=True)
    parser.add_argument('--fixture', required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == '__main__':
    main()
