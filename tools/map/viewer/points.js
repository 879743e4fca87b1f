// The points page: every point on the map; on hover (or pinned by a click) its 24 hours as a
// curve of the ground wave, the sky wave and the field, and as a table.
'use strict';

(() => {
  const page = FC.data.page;
  const points = FC.data.points;
  const kinds = FC.bytes(points.kinds);
  // a code a point: the column unpacked when a point's day is first shown
  const columns = {};
  const column = (name) => {
    if (!columns[name]) columns[name] = FC.unpack(points[name]);
    return columns[name];
  };
  // 24 codes a point: its own run of the column alone, 24 x 2 or 24 x 4 bytes, a whole number
  // of base64's groups of three bytes
  const day = (name, index) => {
    const packed = points[name];
    const chars = 24 * packed.bytes / 3 * 4;
    return Array.from(FC.unpack({
      bytes: packed.bytes, offset: packed.offset, data: packed.data.substr(chars * index, chars),
    }));
  };
  const pointAt = (index) => ({
    name: points.names[index],
    latDeg: points.latDeg[index],
    lonDeg: points.lonDeg[index],
    kind: kinds[index],
    groundRangeKm: column('groundRangeKm')[index],
    groundWaveDb: column('groundWaveDb')[index],
    skyWaveDb: day('skyWaveDb', index),
    fieldDb: day('fieldDb', index),
    fieldMvm: day('fieldMvm', index),
  });
  FC.fillScenario();
  const { map } = FC.makeMap('fc-map', { preferCanvas: true });
  const svgNs = 'http://www.w3.org/2000/svg';
  const svg = (tag, attributes, text) => {
    const element = document.createElementNS(svgNs, tag);
    for (const [key, value] of Object.entries(attributes)) element.setAttribute(key, value);
    if (text !== undefined) element.textContent = text;
    return element;
  };

  // The chart: hours of the page's zone across, dB(uV/m) up; a value that is no number
  // breaks its curve.
  const drawChart = (point) => {
    const chart = document.getElementById('fc-chart');
    chart.textContent = '';
    const width = 320;
    const height = 200;
    const left = 40;
    const right = 10;
    const top = 10;
    const bottom = 30;
    chart.setAttribute('viewBox', '0 0 ' + width + ' ' + height);
    const curves = [
      {
        name: 'ground wave',
        className: 'fc-curve-ground',
        codes: Array(24).fill(point.groundWaveDb),
      },
      { name: 'sky wave', className: 'fc-curve-sky', codes: point.skyWaveDb },
      { name: 'field', className: 'fc-curve-field', codes: point.fieldDb },
    ];
    const values = [];
    for (const curve of curves) {
      for (const code of curve.codes) if (FC.isNumber(code)) values.push(code / 100);
    }
    if (values.length === 0) {
      // the transmitter's own site has a value at every hour: an infinite one
      const infinite = point.fieldDb.every((code) => code === FC.PLUS_INFINITY);
      chart.appendChild(svg('text', { x: width / 2, y: height / 2, 'text-anchor': 'middle' },
        infinite ? 'infinite field at every hour (the transmitter)' : 'no value at any hour'));
      return;
    }
    const low = Math.floor(Math.min(...values) / 10) * 10;
    const high = Math.max(low + 10, Math.ceil(Math.max(...values) / 10) * 10);
    const x = (minutes) => left + (width - left - right) * minutes / 1440;
    const y = (db) => top + (height - top - bottom) * (high - db) / (high - low);
    for (let db = low; db <= high; db += 10) {
      chart.appendChild(svg('line', { x1: left, x2: width - right, y1: y(db), y2: y(db), class: 'fc-grid' }));
      chart.appendChild(svg('text', { x: left - 4, y: y(db) + 4, 'text-anchor': 'end' }, String(db)));
    }
    for (let hour = 0; hour <= 24; hour += 3) {
      chart.appendChild(svg('line', { x1: x(hour * 60), x2: x(hour * 60), y1: top, y2: height - bottom, class: 'fc-grid' }));
      chart.appendChild(svg('text', { x: x(hour * 60), y: height - bottom + 14, 'text-anchor': 'middle' },
        String(hour)));
    }
    chart.appendChild(svg('text', { x: (left + width - right) / 2, y: height - 2, 'text-anchor': 'middle' },
      'hour (' + page.zone.label + '), dB(uV/m)'));
    for (const curve of curves) {
      const order = curve.codes.map((code, hourJst) => ({ code, minutes: FC.zoneMinutes(hourJst) }))
        .sort((a, b) => a.minutes - b.minutes);
      let run = [];
      const flush = () => {
        if (run.length > 0) {
          const line = svg('polyline', { points: run.join(' '), class: curve.className });
          line.appendChild(svg('title', {}, curve.name));
          chart.appendChild(line);
        }
        run = [];
      };
      for (const { code, minutes } of order) {
        if (FC.isNumber(code)) run.push(x(minutes).toFixed(1) + ',' + y(code / 100).toFixed(1));
        else flush();
      }
      flush();
    }
  };

  const showPoint = (index) => {
    const point = pointAt(index);
    const kind = page.kinds[point.kind];
    document.getElementById('fc-point-name').textContent = point.name;
    document.getElementById('fc-point-where').textContent = 'latitude ' + point.latDeg +
      ', longitude ' + point.lonDeg + ', ' + FC.kmText(point.groundRangeKm) + ' km, ' +
      FC.kindName(kind);
    document.getElementById('fc-point-where').dataset.kind = kind;
    drawChart(point);
    const table = document.getElementById('fc-point-table');
    table.tBodies[0].textContent = '';
    const rows = point.fieldDb.map((code, hourJst) => ({ hourJst, minutes: FC.zoneMinutes(hourJst) }))
      .sort((a, b) => a.minutes - b.minutes);
    for (const { hourJst } of rows) {
      const row = table.tBodies[0].insertRow();
      row.dataset.hourJst = String(hourJst);
      row.appendChild(FC.element('td', FC.zoneTime(hourJst)));
      row.appendChild(FC.element('td', FC.dbText(point.fieldDb[hourJst]), 'fc-db'));
      row.appendChild(FC.element('td', FC.mvmText(point.fieldMvm[hourJst]), 'fc-mvm'));
      row.appendChild(FC.element('td', FC.dbText(point.skyWaveDb[hourJst]), 'fc-sky'));
    }
    document.getElementById('fc-point').hidden = false;
    document.body.dataset.shownPoint = String(index);
  };

  // One layer holds the markers and answers for all of them: a page of 100,000 points
  // opens in seconds when no marker has handlers or a tooltip of its own. A marker gets its
  // tooltip when the cursor first reaches it.
  let pinned = null;
  const markers = L.featureGroup();
  for (let index = 0; index < points.count; ++index) {
    const beyond = page.kinds[kinds[index]] === 'beyondRange';
    const latLng = [Number(points.latDeg[index]), FC.boxLongitude(Number(points.lonDeg[index]))];
    markers.addLayer(L.circleMarker(latLng, {
      radius: 6, weight: 1.5, color: '#111', fillOpacity: 0.9,
      fillColor: beyond ? '#9a9a9a' : '#1f77b4', pointIndex: index,
    }));
  }
  markers.on('mouseover', (event) => {
    const marker = event.layer;
    const index = marker.options.pointIndex;
    if (!marker.getTooltip()) {
      marker.bindTooltip(FC.element('span', points.names[index], 'fc-point-label'), {
        direction: 'top', offset: [0, -6], className: 'fc-point-tooltip',
      }).openTooltip();
    }
    if (pinned === null) showPoint(index);
  });
  markers.on('click', (event) => {
    L.DomEvent.stopPropagation(event);
    pinned = event.layer.options.pointIndex;
    showPoint(pinned);
  });
  markers.addTo(map);
  map.on('click', () => { pinned = null; });
  if (points.count === 0) FC.note('No point to show.');
  document.body.dataset.ready = 'true';
})();
