#!/usr/bin/python3
"""The pages of fieldcast-map in a real browser: headless Chromium driven by Selenium.

Runs fieldcast-map for a small grid page and a points page, and viewer_sample_page for a page
of values no scenario gives; opens each from disk and checks that it loads without a console
error and without a request outside its folder, that the slider and play button change the
hour, that the values under the cursor and in the points' tables are those of area.csv and
points.csv rounded as printf rounds them, and that names and labels reach the page as text.
Screenshots are kept in the artefact folder (their pixels are not compared).

usage: viewer_browser_test.py --map-exe EXE --sample-exe EXE --fixture DIR --artefacts DIR
"""

import argparse
import csv
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.common.exceptions import StaleElementReferenceException
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

ARGS = None
WORK = None
# a tooltip read while Leaflet redraws it: the wait looks again
TOOLTIP_REDRAWN = (StaleElementReferenceException,)
DRIVER = None
PROFILE = None

# A grid through the fixtures' transmitter (35.68 N, 139.69 E) that reaches past 4000 km; its
# hours given in UTC (03:00 and 15:00 JST), its contours and service areas as layers.
AREA_ARGS = ['-R', '103.69/175.69/-0.32/59.68', '--step', '4', '--time-zone', 'UTC',
             '--hours', '18,6', '--contours', '40,50']
POINT_NAMES = {
    '東京タワー': (35.6586, 139.7454),  # ground wave alone
    'a,"b" </script><img src=x onerror=alert(1)> &amp; \\ end': (34.69, 135.50),
    '那覇 Naha': (26.21, 127.68),
    'Manila': (14.6, 121.0),  # two hops
    'Far away': (60.0, -30.0),  # beyond range
    # right-to-left scripts, emoji (one with a variation selector), quotes and entities
    'תל אביב "א" 📻': (37.57, 126.98),
    "O'Hare & <b>bold</b> 🛰️ &lt; القاهرة": (43.1, 131.9),
    '\u202eevil\u202c <svg onload=alert(2)> 👨‍👩‍👧': (25.03, 121.56),
}
# the kinds of the extended model: its sky wave out to 12,000 km, beyond it no value
EXTENDED_POINTS = {
    # the ground wave alone: under the extended model only on the transmitter itself (within
    # 50 km the orders are summed as beyond)
    'Mast': (35.68, 139.69),
    'Manila': (14.6, 121.0),
    'Sao Paulo': (-23.55, -46.63),  # beyond 12,000 km
}

# a point on the transmitter itself (its field is infinite at every hour) and one far from it
MAST_POINTS = {'Mast': (35.68, 139.69), 'Manila': (14.6, 121.0)}
# points across the 180th meridian from the transmitter at Tokyo
PACIFIC_POINTS = {'Midway': (28.2, -177.4), 'Honolulu': (21.3, -157.9)}
# names as long as a list may hold them: one word, and many words
LONG_NAMES = {
    'W' * 3000: (34.69, 135.50),
    ' '.join(['Long name of a receiving site'] * 40): (26.21, 127.68),
    'Manila': (14.6, 121.0),
}


def run(command):
    result = subprocess.run(command, capture_output=True, text=True, check=False)
    if result.returncode != 0:
        raise RuntimeError(' '.join(command) + ' failed:\n' + result.stdout + result.stderr)


def printf_db(value):
    """The page's dB text of a CSV cell: "%.2f", or the cell's infinity."""
    if value in ('inf', '-inf'):
        return value
    return '%.2f' % float(value)


def printf_mvm(value):
    """The value of the page's mV/m text: three significant digits ("%.2e")."""
    if value == 'inf':
        return math.inf
    return float('%.2e' % float(value))


def setUpModule():
    global WORK, DRIVER, PROFILE
    WORK = tempfile.mkdtemp(prefix='viewer-test-')
    # the cleanups run, last registered first, even when this setup fails part way (a run of
    # the tool, the browser's start), where tearDownModule would not be called
    unittest.addModuleCleanup(shutil.rmtree, WORK, ignore_errors=True)
    fixture = ARGS.fixture
    run([ARGS.map_exe, 'area', fixture, '-o', os.path.join(WORK, 'area'), '--format',
         'csv,html', '--no-maps'] + AREA_ARGS)
    one_hour = AREA_ARGS[:AREA_ARGS.index('--hours')] + ['--hours', '6']
    run([ARGS.map_exe, 'area', fixture, '-o', os.path.join(WORK, 'area-one-hour'), '--format',
         'html', '--no-maps'] + one_hour)
    # a grid in the South Atlantic, every node beyond 4000 km of the transmitter at Tokyo
    run([ARGS.map_exe, 'area', fixture, '-o', os.path.join(WORK, 'area-beyond'), '--format',
         'html', '--no-maps', '-R', '-40/-30/-10/0', '--step', '5', '--hours', '6'])
    def points_page(folder, points, *options):
        """A points run with its page, from a CSV of the named points."""
        points_csv = os.path.join(WORK, folder + '-in.csv')
        with open(points_csv, 'w', encoding='utf-8', newline='') as out:
            writer = csv.writer(out)
            writer.writerow(['pointName', 'latDeg', 'lonDeg'])
            for name, (lat, lon) in points.items():
                writer.writerow([name, lat, lon])
        run([ARGS.map_exe, 'points', fixture, '-o', os.path.join(WORK, folder), '--points',
             points_csv, '--format', 'csv,html', '--no-plot', *options])

    points_page('points', POINT_NAMES)
    points_page('points-extended', EXTENDED_POINTS, '--model', 'extended')
    points_page('points-mast', MAST_POINTS)
    points_page('points-pacific', PACIFIC_POINTS)
    points_page('points-long', LONG_NAMES)
    run([ARGS.sample_exe, os.path.join(WORK, 'sample')])

    PROFILE = tempfile.mkdtemp(prefix='viewer-test-chromium-')
    unittest.addModuleCleanup(shutil.rmtree, PROFILE, ignore_errors=True)
    options = webdriver.ChromeOptions()
    options.binary_location = '/usr/bin/chromium'
    for flag in ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
                 '--no-first-run', '--disable-background-networking',
                 '--disable-component-update', '--disable-sync', '--user-data-dir=' + PROFILE,
                 '--window-size=1400,900']:
        options.add_argument(flag)
    options.set_capability('goog:loggingPrefs', {'browser': 'ALL', 'performance': 'ALL'})
    DRIVER = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
    unittest.addModuleCleanup(DRIVER.quit)
    DRIVER.set_page_load_timeout(60)


class PageCase(unittest.TestCase):
    """Opens a page from disk and keeps what the browser logged meanwhile; a console error
    logged at any time of a test, not only before an assert_clean_load, fails it."""

    def setUp(self):
        self.console = []

    def read_console(self):
        """The console entries logged since the last reading, kept for tearDown."""
        entries = DRIVER.get_log('browser')
        self.console.extend(entries)
        return entries

    def tearDown(self):
        self.read_console()
        self.assertEqual([e for e in self.console if e['level'] == 'SEVERE'], [])

    def open_page(self, folder):
        DRIVER.get('about:blank')
        self.read_console()
        DRIVER.get_log('performance')
        self.folder_url = 'file://' + os.path.realpath(folder)
        self.requests = []  # what the page asked for, all along
        DRIVER.get(self.folder_url + '/index.html')
        WebDriverWait(DRIVER, 30).until(
            lambda d: d.execute_script('return document.body.dataset.ready === "true"'))

    def wait_for(self, script, timeout=30):
        WebDriverWait(DRIVER, timeout).until(lambda d: d.execute_script(script))

    def assert_clean_load(self):
        """No console error; every request of the page is a file of its folder or data."""
        errors = [e for e in self.read_console() if e['level'] == 'SEVERE']
        self.assertEqual(errors, [])
        for entry in DRIVER.get_log('performance'):
            message = json.loads(entry['message'])['message']
            if message['method'] == 'Network.requestWillBeSent':
                params = message['params']
                if params.get('documentURL', '').startswith(self.folder_url):
                    self.requests.append(params['request']['url'])
        requests = self.requests
        self.assertIn(self.folder_url + '/index.html', requests)
        self.assertTrue(any(url.endswith('/viewer/leaflet/leaflet.js') for url in requests))
        outside = [url for url in requests
                   if not url.startswith(self.folder_url + '/') and not url.startswith('data:')]
        self.assertEqual(outside, [])

    def screenshot(self, name):
        os.makedirs(ARGS.artefacts, exist_ok=True)
        DRIVER.save_screenshot(os.path.join(ARGS.artefacts, name))

    def point_on_screen(self, lat, lon):
        """The viewport pixel of a place, checked to lie on the map itself; its longitude
        taken by whole turns to where the page's box shows it."""
        x, y, inside = DRIVER.execute_script(
            '''const p = FC.map.latLngToContainerPoint(
                 [arguments[0], FC.boxLongitude(arguments[1])]);
               const box = FC.map.getContainer().getBoundingClientRect();
               const x = box.left + p.x, y = box.top + p.y;
               const hit = document.elementFromPoint(x, y);
               return [x, y, hit !== null && FC.map.getContainer().contains(hit) &&
                       hit.closest('.leaflet-control') === null];''', lat, lon)
        self.assertTrue(inside, 'the place %s, %s is not on the map' % (lat, lon))
        return x, y

    def move_mouse(self, lat, lon):
        x, y = self.point_on_screen(lat, lon)
        DRIVER.execute_cdp_cmd('Input.dispatchMouseEvent',
                               {'type': 'mouseMoved', 'x': x, 'y': y})

    def text(self, element_id):
        return DRIVER.find_element(By.ID, element_id).text

    def hover_point(self, name, lat, lon):
        """Moves the mouse onto a point of a points page and waits for its tooltip."""
        self.move_mouse(lat, lon)
        # the tooltip fades in; the one of the point before may still be fading out
        WebDriverWait(DRIVER, 30, ignored_exceptions=TOOLTIP_REDRAWN).until(
            lambda d: name in [
                e.text for e in d.find_elements(By.CSS_SELECTOR, '.leaflet-tooltip')])


class AreaPage(PageCase):
    @classmethod
    def setUpClass(cls):
        folder = os.path.join(WORK, 'area')
        with open(os.path.join(folder, 'area.csv'), encoding='utf-8') as f:
            cls.rows = list(csv.DictReader(f))
        cls.by_node = {(r['latDeg'], r['lonDeg'], r['hourJst']): r for r in cls.rows}

    def setUp(self):
        super().setUp()
        self.open_page(os.path.join(WORK, 'area'))

    def hover_reads(self, lat_text, lon_text, hour):
        self.move_mouse(float(lat_text), float(lon_text))
        row = self.by_node[(lat_text, lon_text, str(hour))]
        self.assertEqual(self.text('fc-node'),
                         'latitude %s, longitude %s' % (lat_text, lon_text))
        self.assertEqual(self.text('fc-hour'), '%02d:00 UTC' % ((hour - 9) % 24))
        self.assertEqual(self.text('fc-range'), '%.1f km' % float(row['groundRangeKm']))
        kind = DRIVER.find_element(By.ID, 'fc-kind').get_attribute('data-kind')
        self.assertEqual(kind, row['pathKind'])
        if row['fieldDb'] == '':
            self.assertEqual(self.text('fc-field'), 'no value')
            return row
        self.assertEqual(self.text('fc-db'), printf_db(row['fieldDb']))
        self.assertEqual(float(self.text('fc-mvm')), printf_mvm(row['fieldMvm']))
        return row

    def test_loads_cleanly_and_reads_area_csv_under_the_cursor(self):
        self.wait_for('return document.body.dataset.allLoaded === "true"')
        self.assert_clean_load()
        kinds = set()
        # the transmitter's node (inf), nodes of one and two hops, and beyond 4000 km
        for lat, lon in [('35.68', '139.69'), ('39.68', '143.69'), ('19.68', '119.69'),
                         ('11.68', '155.69'), ('3.68', '171.69'), ('55.68', '127.69')]:
            kinds.add(self.hover_reads(lat, lon, 15)['pathKind'])  # 06:00 UTC comes first
        self.assertEqual(kinds, {'groundOnly', 'oneHop', 'twoHop', 'beyondRange'})
        self.assertEqual(self.by_node[('35.68', '139.69', '3')]['fieldDb'], 'inf')
        self.screenshot('area.png')

    def test_every_node_prints_the_digits_of_area_csv(self):
        page = DRIVER.execute_script('return FC.data.page')
        grid = page['grid']
        self.assertEqual(len(self.rows), grid['lonCount'] * grid['latCount'] * 2)
        for index, hour in enumerate(page['hours']):
            with open(os.path.join(WORK, 'area', hour['file']), encoding='utf-8') as f:
                script = f.read()
            packed = json.loads(script[script.index('{'):script.rindex(')')])
            db, mvm = DRIVER.execute_script(
                '''const db = FC.unpack(arguments[0].fieldDb), mvm = FC.unpack(arguments[0].fieldMvm);
                   return [Array.from(db, FC.dbText), Array.from(mvm, FC.mvmText)];''', packed)
            for node in range(len(db)):
                row_from_south = grid['latCount'] - 1 - node // grid['lonCount']
                key = (grid['latNodes'][row_from_south], grid['lonNodes'][node % grid['lonCount']],
                       str(hour['hourJst']))
                row = self.by_node[key]
                if row['fieldDb'] == '':
                    self.assertEqual((db[node], mvm[node]), ('', ''), key)
                    continue
                self.assertEqual(db[node], printf_db(row['fieldDb']), key)
                self.assertEqual(float(mvm[node]), printf_mvm(row['fieldMvm']), key)

    def layer_hours(self):
        """The hours of the features each hourly layer shows, and whether it is on the map."""
        self.wait_for('return FC.hourlyLayers.length === 2')
        return DRIVER.execute_script(
            '''return FC.hourlyLayers.map(({ shown }) => [
                 FC.map.hasLayer(shown),
                 [...new Set(shown.getLayers().map((l) => l.feature.properties.hourJst))]]);''')

    def test_contour_and_service_area_layers_follow_the_hour_and_switch(self):
        self.wait_for('return document.body.dataset.layersShown === "2"')
        # the contours on, the service areas off, each with the features of 06:00 UTC alone.
        # Fault: the layers were listed in the order their scripts happened to load.
        self.assertEqual(self.layer_hours(), [[True, [15]], [False, [15]]])
        # the field between the base layers and the run's; fault: it was listed wherever the
        # first hour's script happened to arrive among the layers' scripts
        overlays = [e.text for e in DRIVER.find_elements(
            By.CSS_SELECTOR, '.leaflet-control-layers-overlays label')]
        self.assertEqual(overlays, ['Coastlines', 'Borders', 'Transmitter', 'Field strength',
                                    'Contours', 'Service areas (field at least the level)'])
        DRIVER.find_element(By.ID, 'fc-hour-slider').send_keys(Keys.ARROW_RIGHT)
        self.wait_for('return document.body.dataset.hourJst === "3"')
        self.assertEqual(self.layer_hours(), [[True, [3]], [False, [3]]])
        for label in DRIVER.find_elements(By.CSS_SELECTOR, '.leaflet-control-layers-overlays label'):
            if 'Service areas' in label.text:
                label.find_element(By.TAG_NAME, 'input').click()
        self.assertEqual(self.layer_hours(), [[True, [3]], [True, [3]]])
        levels = DRIVER.execute_script(
            '''return FC.hourlyLayers[1].shown.getLayers()
                 .map((l) => l.feature.properties.levelDb).sort();''')
        self.assertEqual(levels, [40, 50])
        self.screenshot('area-layers.png')
        self.assert_clean_load()

    def test_slider_and_play_change_the_hour_of_the_overlay(self):
        image = lambda: DRIVER.find_element(By.CSS_SELECTOR, 'img.fc-field').get_attribute('src')
        # the slider runs through the hours of the page's clock: 06:00 UTC (15 JST) first
        self.assertEqual(self.text('fc-hour-label'), '06:00 UTC')
        slider = DRIVER.find_element(By.ID, 'fc-hour-slider')
        slider.send_keys(Keys.ARROW_RIGHT)
        self.wait_for('return document.body.dataset.hourJst === "3"')
        first = image()
        self.assertEqual(self.text('fc-hour-label'), '18:00 UTC')
        self.assertEqual(slider.get_attribute('aria-valuetext'), '18:00 UTC')
        self.hover_reads('31.68', '131.69', 3)
        DRIVER.find_element(By.ID, 'fc-hour-slider').send_keys(Keys.ARROW_LEFT)
        self.wait_for('return document.body.dataset.hourJst === "15"')
        self.assertEqual(self.text('fc-hour-label'), '06:00 UTC')
        self.assertNotEqual(image(), first)
        # the readout follows the hour without a move of the cursor
        row = self.by_node[('31.68', '131.69', '15')]
        self.assertEqual(self.text('fc-db'), printf_db(row['fieldDb']))
        self.assertNotEqual(row['fieldDb'], self.by_node[('31.68', '131.69', '3')]['fieldDb'])

        play = DRIVER.find_element(By.ID, 'fc-play')
        play.click()
        self.assertEqual(play.text, 'Pause')
        self.wait_for('return document.body.dataset.hourJst === "3"')
        play.click()
        self.assertEqual(play.text, 'Play')
        # a step begun before the pause still shows its hour (the slider is already there):
        # the page settles on the slider's hour, then stays
        self.wait_for('const s = document.getElementById("fc-hour-slider");'
                      'return document.body.dataset.hourJst === String([15, 3][Number(s.value)]);')
        stopped = DRIVER.execute_script('return document.body.dataset.hourJst')
        time.sleep(2)
        self.assertEqual(DRIVER.execute_script('return document.body.dataset.hourJst'), stopped)
        self.assertEqual(DRIVER.find_element(By.ID, 'fc-hour-slider').get_attribute('value'),
                         str([15, 3].index(int(stopped))))
        self.assert_clean_load()

    def test_pause_and_play_again_keep_one_step_at_a_time(self):
        # Fault: a step still waiting when Pause was pressed went on after the next Play,
        # beside the step that Play began, and the hours ran twice as fast, more with each
        # press. The steps' timers are held here and run by hand, so no clock is waited on.
        DRIVER.execute_script('''
            const later = window.setTimeout;
            window.fcSteps = [];
            window.setTimeout = (callback, ms, ...args) =>
              callback.name === 'step' ? window.fcSteps.push(() => callback(...args))
                : later(callback, ms, ...args);''')
        play = DRIVER.find_element(By.ID, 'fc-play')
        for _ in range(3):
            play.click()  # Play, Pause, Play
        self.assertEqual(play.text, 'Pause')
        run_steps = ('const steps = window.fcSteps; window.fcSteps = [];'
                     'steps.forEach((step) => step()); return steps.length;')
        self.assertEqual(DRIVER.execute_script(run_steps), 2)  # each Play set one off
        # each step that still plays shows its hour, then sets off the next
        self.wait_for('return window.fcSteps.length > 0')
        self.assertEqual(DRIVER.execute_script(run_steps), 1)
        self.wait_for('return window.fcSteps.length > 0')
        self.assertEqual(DRIVER.execute_script('return window.fcSteps.length'), 1)
        play.click()
        self.assertEqual(DRIVER.execute_script(run_steps), 1)
        self.assertEqual(DRIVER.execute_script('return window.fcSteps.length'), 0)
        self.assert_clean_load()


    def test_a_page_of_one_hour_has_no_play(self):
        self.open_page(os.path.join(WORK, 'area-one-hour'))
        self.assertEqual(self.text('fc-hour-label'), '06:00 UTC')  # --hours in the page's zone
        self.assertFalse(DRIVER.find_element(By.ID, 'fc-play').is_enabled())
        # the scenario names the one hour; fault: its time zone row said that the 24 hours
        # of JST were computed
        rows = dict(DRIVER.execute_script('return FC.data.page.scenario'))
        self.assertEqual(rows['Hours computed (UTC)'], '06:00')
        self.assertEqual(rows['Time zone'], 'UTC; the hours computed are whole hours of JST')
        self.assert_clean_load()


    def test_a_grid_beyond_range_says_why_its_map_is_blank(self):
        # Fault: such a page drew nothing at any hour and said nothing, as if broken
        notes = lambda: DRIVER.find_element(By.ID, 'fc-notes').text
        self.assertEqual(notes(), '')  # a grid with values has no such note
        self.open_page(os.path.join(WORK, 'area-beyond'))
        self.assertEqual(notes(), 'Every node of the grid lies beyond 4000 km of the '
                         'transmitter: the model gives no value to draw at any hour.')
        self.move_mouse(-5, -35)
        self.assertEqual(self.text('fc-field'), 'no value')
        self.assert_clean_load()


class PointsPage(PageCase):
    def test_each_point_shows_its_name_and_day_as_points_csv_has_them(self):
        self.open_page(os.path.join(WORK, 'points'))
        self.assert_clean_load()
        with open(os.path.join(WORK, 'points', 'points.csv'), encoding='utf-8') as f:
            rows = list(csv.DictReader(f))
        for name, (lat, lon) in POINT_NAMES.items():
            self.hover_point(name, lat, lon)
            self.assertEqual(self.text('fc-point-name'), name)
            mine = [r for r in rows if r['pointName'] == name]
            self.assertEqual(len(mine), 24)
            kind = mine[0]['pathKind']
            where = DRIVER.find_element(By.ID, 'fc-point-where')
            self.assertEqual(where.get_attribute('data-kind'), kind)
            field = DRIVER.find_elements(By.CSS_SELECTOR, '#fc-chart polyline.fc-curve-field')
            if kind == 'beyondRange':
                self.assertEqual(field, [])
                self.assertIn('no value at any hour', self.text('fc-chart'))
            else:
                self.assertEqual(len(field), 1)
                self.assertEqual(len(field[0].get_attribute('points').split()), 24)
            sky = DRIVER.find_elements(By.CSS_SELECTOR, '#fc-chart polyline.fc-curve-sky')
            self.assertEqual(len(sky), 1 if kind in ('oneHop', 'twoHop') else 0)
            for row in mine:
                cells = DRIVER.find_elements(
                    By.CSS_SELECTOR, '#fc-point-table tr[data-hour-jst="%s"] td' % row['hourJst'])
                self.assertEqual(cells[0].text, '%02d:00 JST' % int(row['hourJst']))
                self.assertEqual(cells[1].text, printf_db(row['fieldDb']) if row['fieldDb'] else '')
                self.assertEqual(cells[3].text, printf_db(row['skyWaveDb']) if row['skyWaveDb'] else '')
                if row['fieldMvm']:
                    self.assertEqual(float(cells[2].text), printf_mvm(row['fieldMvm']))
            if name == 'Manila':
                self.screenshot('points.png')
        # the names with markup stayed text: nothing was made of them
        self.assertEqual(DRIVER.find_elements(
            By.CSS_SELECTOR, '#fc-panel img, #fc-panel b, #fc-panel svg:not(#fc-chart), '
            '.leaflet-tooltip img, .leaflet-tooltip b, .leaflet-tooltip svg'), [])
        self.assert_clean_load()


class MastPointsPage(PageCase):
    def test_the_transmitters_own_site_reads_infinite_not_without_value(self):
        # Fault: its chart read "no value at any hour" beside a table of "inf"
        self.open_page(os.path.join(WORK, 'points-mast'))
        self.assert_clean_load()
        self.hover_point('Mast', *MAST_POINTS['Mast'])
        self.assertEqual(self.text('fc-point-name'), 'Mast')
        self.assertEqual(self.text('fc-chart'), 'infinite field at every hour (the transmitter)')
        cells = DRIVER.find_elements(By.CSS_SELECTOR, '#fc-point-table td.fc-db')
        self.assertEqual([c.text for c in cells], ['inf'] * 24)


class PacificPointsPage(PageCase):
    def test_points_across_180_degrees_are_mapped_on_the_side_of_their_paths(self):
        # Fault: the page's box ran from 179.4 W eastwards round to 141.7 E, a map 321 degrees
        # wide with Tokyo at one edge and Midway and Honolulu at the other
        self.open_page(os.path.join(WORK, 'points-pacific'))
        self.assert_clean_load()
        south, west, north, east = DRIVER.execute_script('return FC.data.page.box')
        self.assertAlmostEqual(west, 139.69 - 2)
        self.assertAlmostEqual(east, 360 - 157.9 + 2)
        self.assertAlmostEqual(south, 21.3 - 2)
        self.assertAlmostEqual(north, 35.68 + 2)
        for name, (lat, lon) in PACIFIC_POINTS.items():
            self.hover_point(name, lat, lon)
            self.assertEqual(self.text('fc-point-name'), name)
        self.screenshot('points-pacific.png')


class LongNamesPointsPage(PageCase):
    def test_a_long_name_wraps_inside_the_panel_and_its_tooltip(self):
        # Fault: a name of one long word made the panel 44,000 pixels wide, its chart and
        # table scrolled away sideways, and a long name's tooltip ran as one line across the
        # whole map
        self.open_page(os.path.join(WORK, 'points-long'))
        self.assert_clean_load()
        map_width, map_height = DRIVER.execute_script(
            'const m = FC.map.getContainer(); return [m.clientWidth, m.clientHeight];')
        for name, (lat, lon) in LONG_NAMES.items():
            self.hover_point(name, lat, lon)
            self.assertEqual(self.text('fc-point-name'), name)
            scroll, client = DRIVER.execute_script(
                'const p = document.getElementById("fc-panel");'
                'return [p.scrollWidth, p.clientWidth];')
            self.assertLessEqual(scroll, client, name[:40])
            tooltips = DRIVER.execute_script(
                'return [...document.querySelectorAll(".leaflet-tooltip")]'
                '  .filter((t) => t.textContent === arguments[0])'
                '  .map((t) => t.getBoundingClientRect());', name)
            self.assertEqual(len(tooltips), 1)
            self.assertLess(tooltips[0]['width'], map_width / 2, name[:40])
            self.assertLess(tooltips[0]['height'], map_height / 4, name[:40])
        self.screenshot('points-long.png')


class ExtendedPointsPage(PageCase):
    def test_every_kind_of_the_extended_model_is_named_with_the_models_range(self):
        # Fault: the extended model's sky wave had no name (the page read "undefined") and a
        # point beyond its 12,000 km read "beyond 4000 km"
        self.open_page(os.path.join(WORK, 'points-extended'))
        self.assert_clean_load()
        names = {'groundOnly': "ground wave alone (the transmitter's own point)",
                 'skyWave': 'sky wave: every hop order that reaches the point',
                 'beyondRange': 'beyond 12000 km: outside the method'}
        seen = set()
        for name, (lat, lon) in EXTENDED_POINTS.items():
            self.hover_point(name, lat, lon)
            where = DRIVER.find_element(By.ID, 'fc-point-where')
            kind = where.get_attribute('data-kind')
            self.assertTrue(where.text.endswith(' km, ' + names[kind]), where.text)
            seen.add(kind)
        self.assertEqual(seen, set(names))


class SamplePage(PageCase):
    def test_codes_past_two_bytes_infinities_zone_and_layers(self):
        folder = os.path.join(WORK, 'sample', 'page')
        self.open_page(folder)
        self.wait_for('return document.body.dataset.layersShown === "1"')
        self.wait_for('return document.getElementById("fc-notes").textContent.includes("broken")')
        self.assert_clean_load()
        self.assertEqual(DRIVER.title, 'sample <page> & "quotes"')
        scenario = DRIVER.find_element(By.ID, 'fc-scenario').text
        self.assertIn('<b>not bold</b> </script><i>x', scenario)
        # the slider starts at the first hour after midnight UTC: 15:00 JST before 03:00 JST
        self.assertEqual(self.text('fc-hour-label'), '06:00 UTC')

        with open(os.path.join(WORK, 'sample', 'expected.json'), encoding='utf-8') as f:
            expected = json.load(f)
        seen_hour = 15
        for node in sorted(expected, key=lambda n: -n['hourJst']):
            if node['hourJst'] != seen_hour:
                DRIVER.find_element(By.ID, 'fc-hour-slider').send_keys(Keys.ARROW_RIGHT)
                self.wait_for('return document.body.dataset.hourJst === "3"')
                self.assertEqual(self.text('fc-hour-label'), '18:00 UTC')
                seen_hour = node['hourJst']
            self.move_mouse(node['latDeg'], node['lonDeg'])
            self.assertEqual(self.text('fc-hour'),
                             '%02d:00 UTC' % ((node['hourJst'] - 9) % 24))
            self.assertEqual(self.text('fc-range'), '%.1f km' % node['groundRangeKm'])
            self.assertEqual(
                DRIVER.find_element(By.ID, 'fc-kind').get_attribute('data-kind'), node['kind'])
            if node['fieldDb'] == 'nan':
                self.assertEqual(self.text('fc-field'), 'no value')
                continue
            db = node['fieldDb'] if isinstance(node['fieldDb'], str) else '%.2f' % node['fieldDb']
            self.assertEqual(self.text('fc-db'), db)
            mvm = self.text('fc-mvm')
            if node['fieldMvm'] == 'inf':
                self.assertEqual(mvm, 'inf')
            else:
                self.assertEqual(float(mvm), float('%.2e' % node['fieldMvm']), node)
                digits = mvm.split('e')[0].replace('.', '').lstrip('0')
                self.assertEqual(len(digits) if node['fieldMvm'] else 3, 3, mvm)

        # the contour layer: its label as text in the layer switch, and switchable
        labels = [e.text for e in DRIVER.find_elements(
            By.CSS_SELECTOR, '.leaflet-control-layers-overlays label')]
        self.assertIn('<b>50</b> dB & more', labels)
        contour = lambda: len(DRIVER.find_elements(
            By.CSS_SELECTOR, '.leaflet-overlay-pane path.leaflet-interactive'))
        self.assertEqual(contour(), 1)
        box = DRIVER.find_element(
            By.XPATH, '//label[normalize-space(.)="<b>50</b> dB & more"]//input')
        box.click()
        self.assertEqual(contour(), 0)
        box.click()
        self.assertEqual(contour(), 1)
        self.screenshot('sample.png')


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument('--map-exe', required=True)
    parser.add_argument('--sample-exe', required=True)
    parser.add_argument('--fixture', required=True)
    parser.add_argument('--artefacts', required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == '__main__':
    main()
