// What the coverage page and the points page share: the values that the scripts of
// viewer/data/ hand over, the map with its coastlines, borders, transmitter and switchable
// layers, the scenario panel, and the number formats.
//
// Values arrive as the program's codes (tools/map/html_viewer.h): dB and km as the printed
// digits without the point, mV/m as 1000 x exponent + three digits. The text shown here is
// made from those digits alone and never rounded again, so it is the CSV's value rounded as
// printf rounds it.
'use strict';

const FC = {
  NO_VALUE: -2147483648,
  MINUS_INFINITY: -2147483647,
  PLUS_INFINITY: 2147483647,
  data: { page: null, coast: null, nodes: null, hours: [], layers: [], points: null },
};

// The calls of the data scripts.
FC.page = (description) => { FC.data.page = description; };
FC.coast = (coastlines, borders) => { FC.data.coast = { coastlines, borders }; };
FC.nodes = (nodes) => { FC.data.nodes = nodes; };
FC.hour = (index, hour) => { FC.data.hours[index] = hour; };
FC.layer = (index, text) => { FC.data.layers[index] = text; };
FC.points = (points) => { FC.data.points = points; };

FC.bytes = (base64) => {
  const text = atob(base64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return bytes;
};

// {bytes, offset, data} -> Int32Array of codes
FC.unpack = (packed) => {
  const bytes = FC.bytes(packed.data);
  const view = new DataView(bytes.buffer);
  const count = bytes.length / packed.bytes;
  const codes = new Int32Array(count);
  if (packed.bytes === 2) {
    for (let i = 0; i < count; ++i) {
      const raw = view.getUint16(2 * i, true);
      codes[i] = raw === 65535 ? FC.NO_VALUE
        : raw === 65534 ? FC.PLUS_INFINITY
          : raw === 65533 ? FC.MINUS_INFINITY : raw + packed.offset;
    }
  } else {
    for (let i = 0; i < count; ++i) codes[i] = view.getInt32(4 * i, true);
  }
  return codes;
};

FC.isNumber = (code) =>
  code !== FC.NO_VALUE && code !== FC.PLUS_INFINITY && code !== FC.MINUS_INFINITY;

FC.specialText = (code) =>
  code === FC.NO_VALUE ? '' : code === FC.PLUS_INFINITY ? 'inf' : '-inf';

// the digits of `code` with `decimals` of them after the point
FC.decimalText = (code, decimals) => {
  if (!FC.isNumber(code)) return FC.specialText(code);
  const scale = 10 ** decimals;
  const magnitude = Math.abs(code);
  return (code < 0 ? '-' : '') + Math.floor(magnitude / scale) + '.' +
    String(magnitude % scale).padStart(decimals, '0');
};
FC.dbText = (code) => FC.decimalText(code, 2);
FC.kmText = (code) => FC.decimalText(code, 1);
FC.mvmText = (code) => {
  if (!FC.isNumber(code)) return FC.specialText(code);
  if (code === 0) return '0';
  const exponent = Math.floor(code / 1000);
  const digits = String(code - 1000 * exponent);  // three, the first not 0
  if (exponent >= 2 && exponent <= 5) return digits + '0'.repeat(exponent - 2);
  if (exponent >= 0 && exponent < 2) {
    return digits.slice(0, exponent + 1) + '.' + digits.slice(exponent + 1);
  }
  if (exponent >= -3 && exponent < 0) return '0.' + '0'.repeat(-exponent - 1) + digits;
  return digits[0] + '.' + digits.slice(1) + 'e' + exponent;
};

// The hours are JST (UTC+9); the page shows them in its zone.
FC.zoneMinutes = (hourJst) => {
  const offset = FC.data.page.zone.offsetMinutes;
  return (((hourJst * 60 - 540 + offset) % 1440) + 1440) % 1440;
};
FC.zoneTime = (hourJst) => {
  const minutes = FC.zoneMinutes(hourJst);
  const two = (n) => String(n).padStart(2, '0');
  return two(Math.floor(minutes / 60)) + ':' + two(minutes % 60) + ' ' + FC.data.page.zone.label;
};

FC.kindName = (kind) => ({
  groundOnly: FC.data.page.groundOnlyRangeKm > 0
    ? 'ground wave alone (' + FC.data.page.groundOnlyRangeKm + ' km or less)'
    : 'ground wave alone (the transmitter\'s own point)',
  oneHop: 'one-hop sky wave',
  twoHop: 'two-hop sky wave',
  skyWave: 'sky wave: every hop order that reaches the point',
  beyondRange: 'beyond ' + FC.data.page.noValueRangeKm + ' km: outside the method',
})[kind];

FC.escapeHtml = (text) => String(text).replace(/[&<>"']/g, (c) =>
  ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;' })[c]);

FC.element = (tag, text, className) => {
  const element = document.createElement(tag);
  if (text !== undefined) element.textContent = text;
  if (className) element.className = className;
  return element;
};

FC.note = (text) => document.getElementById('fc-notes').appendChild(FC.element('p', text));

FC.loadScript = (src) => new Promise((resolve, reject) => {
  const script = document.createElement('script');
  script.src = src;
  script.onload = () => resolve();
  script.onerror = () => reject(new Error('cannot load ' + src));
  document.body.appendChild(script);
});

// A longitude moved by whole turns to within 180 degrees of the middle of the page's box.
FC.boxLongitude = (lonDeg) => {
  const middle = (FC.data.page.box[1] + FC.data.page.box[3]) / 2;
  return lonDeg - 360 * Math.round((lonDeg - middle) / 360);
};

// The colour of a field strength in dB, as on the PNG maps.
FC.colourScale = () => {
  const colours = FC.data.page.colours;
  const rgb = (hex) => [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16));
  const bands = colours.bands.map(([low, high, hex]) => ({ low, high, hex, rgb: rgb(hex) }));
  const below = { hex: colours.below, rgb: rgb(colours.below) };
  const above = { hex: colours.above, rgb: rgb(colours.above) };
  return {
    bands, below, above, unit: colours.unit,
    of(db) {
      if (db < bands[0].low) return below;
      if (db >= bands[bands.length - 1].high) return above;
      let low = 0;
      let high = bands.length - 1;
      while (low < high) {  // the band with low <= db < high
        const middle = (low + high + 1) >> 1;
        if (bands[middle].low <= db) low = middle; else high = middle - 1;
      }
      return bands[low];
    },
  };
};

// The colour bar with its units, at the map's lower left.
FC.addColourBar = (map, scale) => {
  const bar = L.control({ position: 'bottomleft' });
  bar.onAdd = () => {
    const box = L.DomUtil.create('div', 'fc-colour-bar');
    box.appendChild(FC.element('div', 'field strength, ' + scale.unit, 'fc-colour-title'));
    const strip = FC.element('div', undefined, 'fc-colour-strip');
    const swatch = (hex, title, className) => {
      const cell = FC.element('span', undefined, className);
      cell.style.background = hex;
      cell.title = title;
      strip.appendChild(cell);
    };
    swatch(scale.below.hex, 'below ' + scale.bands[0].low, 'fc-colour-end');
    for (const band of scale.bands) swatch(band.hex, band.low + ' to ' + band.high, 'fc-colour-band');
    swatch(scale.above.hex, scale.bands[scale.bands.length - 1].high + ' and above', 'fc-colour-end');
    box.appendChild(strip);
    const labels = FC.element('div', undefined, 'fc-colour-labels');
    const every = Math.ceil(scale.bands.length / 8);
    scale.bands.forEach((band, i) => {
      if (i % every === 0) {
        const label = FC.element('span', String(band.low));
        label.style.left = (100 * i / scale.bands.length) + '%';
        labels.appendChild(label);
      }
    });
    const last = FC.element('span', String(scale.bands[scale.bands.length - 1].high));
    last.style.left = '100%';
    labels.appendChild(last);
    box.appendChild(labels);
    return box;
  };
  bar.addTo(map);
};

// The map: an equirectangular projection true to scale along the middle parallel of the box,
// so that a grid of degrees stays a grid of equal rectangles and each cell of the field is
// drawn where its node lies. No tiles: the land is drawn from the coastlines alone.
FC.makeMap = (elementId, options) => {
  const page = FC.data.page;
  const [south, west, north, east] = page.box;
  const scaleX = Math.max(0.1, Math.cos((south + north) / 2 * Math.PI / 180));
  const crs = L.extend({}, L.CRS.Earth, {
    code: 'fieldcast-equirectangular',
    projection: L.Projection.LonLat,
    transformation: new L.Transformation(scaleX / 180, 1, -1 / 180, 0.5),
    wrapLng: undefined,  // the box may reach past 180 degrees east
  });
  const map = L.map(elementId, L.extend({
    crs, zoomSnap: 0.25, zoomDelta: 0.5, minZoom: -1, maxZoom: 16,
  }, options || {}));
  map.fitBounds([[south, west], [north, east]]);
  FC.map = map;  // for the console, and the browser tests
  map.attributionControl.addAttribution('coastlines and borders: GSHHG, through GMT');
  L.control.scale({ imperial: false }).addTo(map);

  const coastlines = L.geoJSON(FC.data.coast.coastlines, {
    interactive: false, style: { color: '#1a1a1a', weight: 1.1, opacity: 0.9 },
  }).addTo(map);
  const borders = L.geoJSON(FC.data.coast.borders, {
    interactive: false, style: { color: '#444', weight: 0.8, opacity: 0.9, dashArray: '4 3' },
  }).addTo(map);

  // the transmitter: a red star
  const points = [];
  for (let i = 0; i < 10; ++i) {
    const radius = i % 2 === 0 ? 10 : 4;
    const angle = Math.PI * i / 5;
    points.push((radius * Math.sin(angle)).toFixed(2) + ',' + (-radius * Math.cos(angle)).toFixed(2));
  }
  const star = L.divIcon({
    className: 'fc-transmitter',
    html: '<svg viewBox="-11 -11 22 22" width="22" height="22"><polygon points="' +
      points.join(' ') + '"/></svg>',
    iconSize: [22, 22],
  });
  const transmitter = L.marker([page.txLatDeg, FC.boxLongitude(page.txLonDeg)], {
    icon: star, interactive: false, keyboard: false,
  }).addTo(map);

  const layers = L.control.layers(null, {
    Coastlines: coastlines, Borders: borders, Transmitter: transmitter,
  }, { collapsed: false, position: 'topright' }).addTo(map);

  // the vector layers of the run, each from its data script; an hourly layer (contours and
  // service areas) shows the features of the slider's hour alone. They are added once all
  // have loaded, in the page's order, so the layer list reads the same at every opening
  // whichever script arrives first.
  FC.hourlyLayers = [];
  const loads = page.layers.map((layer) => FC.loadScript(layer.file));
  Promise.allSettled(loads).then((outcomes) => outcomes.forEach((outcome, index) => {
    const layer = page.layers[index];
    if (outcome.status === 'rejected') {
      FC.note(outcome.reason.message);
      return;
    }
    let geoJson;
    try {
      geoJson = JSON.parse(FC.data.layers[index]);
    } catch (error) {
      FC.note('The layer "' + layer.label + '" is not GeoJSON that can be read: ' + error.message);
      return;
    }
    const ofHour = (feature) => !layer.hourly || FC.layerHourJst === undefined ||
      (feature.properties || {}).hourJst === FC.layerHourJst;
    const shown = L.geoJSON(null, {
      filter: ofHour,
      style: { color: '#000', weight: 1.6, fillOpacity: 0.12 },
      onEachFeature: (feature, shape) => {
        const properties = feature.properties || {};
        const lines = Object.entries(properties).map(([key, value]) =>
          key + ': ' + (typeof value === 'object' ? JSON.stringify(value) : String(value)));
        if (lines.length > 0) shape.bindTooltip(FC.element('div', lines.join('\n'), 'fc-pre'));
      },
    });
    shown.addData(geoJson);
    if (layer.shown !== false) shown.addTo(map);
    if (layer.hourly) FC.hourlyLayers.push({ shown, geoJson });
    layers.addOverlay(shown, FC.escapeHtml(layer.label));
    document.body.dataset.layersShown = String(Number(document.body.dataset.layersShown || 0) + 1);
  }));
  return { map, layers };
};

// The hour whose features the hourly layers show.
FC.setLayerHour = (hourJst) => {
  FC.layerHourJst = hourJst;
  for (const { shown, geoJson } of FC.hourlyLayers) {
    shown.clearLayers();
    shown.addData(geoJson);
  }
};

FC.fillScenario = () => {
  const page = FC.data.page;
  document.title = page.title;
  document.getElementById('fc-title').textContent = page.title;
  const table = document.getElementById('fc-scenario');
  for (const [name, value] of page.scenario) {
    const row = table.insertRow();
    row.appendChild(FC.element('th', name));
    row.appendChild(FC.element('td', value));
  }
};
