// The coverage page: the field of each computed hour as a colour overlay, the hour slider
// with play and pause, and the values of the grid node under the cursor.
'use strict';

(() => {
  const page = FC.data.page;
  const grid = page.grid;
  const hours = page.hours;
  const scale = FC.colourScale();
  const groundRangeKm = FC.unpack(FC.data.nodes.groundRangeKm);
  const kinds = FC.bytes(FC.data.nodes.kinds);
  FC.fillScenario();

  const { map, layers } = FC.makeMap('fc-map');
  FC.addColourBar(map, scale);
  map.createPane('field').style.zIndex = 350;  // under the coastlines and layers
  const half = grid.stepDeg / 2;
  const bounds = [
    [grid.latMinDeg - half, grid.lonMinDeg - half],
    [grid.latMinDeg + grid.stepDeg * (grid.latCount - 1) + half,
      grid.lonMinDeg + grid.stepDeg * (grid.lonCount - 1) + half],
  ];
  // The field's overlay, in the layer list from the start: below the base layers and above
  // the run's contours and service areas, whichever script arrives first. It goes on the
  // map with the first hour's picture; until then it holds a transparent pixel.
  const blank = document.createElement('canvas');
  blank.width = 1;
  blank.height = 1;
  const overlay = L.imageOverlay(blank.toDataURL('image/png'), bounds, {
    pane: 'field', opacity: 0.75, interactive: false, className: 'fc-field',
  });
  layers.addOverlay(overlay, 'Field strength');
  let drawn = false;

  // hour index -> {fieldDb, fieldMvm} codes, decoded on first use; its picture as a data URL
  const decoded = [];
  const pictures = [];
  const loading = [];
  const load = (h) => {
    if (!loading[h]) loading[h] = FC.loadScript(hours[h].file);
    return loading[h];
  };
  const codesOf = (h) => {
    if (!decoded[h]) {
      decoded[h] = {
        fieldDb: FC.unpack(FC.data.hours[h].fieldDb),
        fieldMvm: FC.unpack(FC.data.hours[h].fieldMvm),
      };
      FC.data.hours[h] = null;
    }
    return decoded[h];
  };
  // one pixel per node, rows from north to south; no value (and the infinite field on the
  // transmitter itself) left unpainted, as on the PNG maps
  const pictureOf = (h) => {
    if (pictures[h]) return pictures[h];
    const db = codesOf(h).fieldDb;
    const canvas = document.createElement('canvas');
    canvas.width = grid.lonCount;
    canvas.height = grid.latCount;
    const context = canvas.getContext('2d');
    const image = context.createImageData(grid.lonCount, grid.latCount);
    for (let i = 0; i < db.length; ++i) {
      const code = db[i];
      if (code === FC.NO_VALUE || code === FC.PLUS_INFINITY) continue;
      const rgb = code === FC.MINUS_INFINITY ? scale.below.rgb : scale.of(code / 100).rgb;
      image.data.set(rgb, 4 * i);
      image.data[4 * i + 3] = 255;
    }
    context.putImageData(image, 0, 0);
    pictures[h] = canvas.toDataURL('image/png');
    return pictures[h];
  };

  // the slider runs through the hours in the order of the page's clock, from its midnight
  const order = hours.map((hour, h) => h)
    .sort((a, b) => FC.zoneMinutes(hours[a].hourJst) - FC.zoneMinutes(hours[b].hourJst));
  const slider = document.getElementById('fc-hour-slider');
  const label = document.getElementById('fc-hour-label');
  const playButton = document.getElementById('fc-play');
  slider.max = String(hours.length - 1);
  // one hour has nothing to play through
  playButton.disabled = hours.length < 2;
  let current = 0;
  let wanted = 0;
  let lastNode = null;

  const show = (h) => {
    wanted = h;
    label.textContent = FC.zoneTime(hours[h].hourJst);
    slider.setAttribute('aria-valuetext', label.textContent);  // read aloud as the hour
    return load(h).then(() => {
      if (wanted !== h) return;  // the slider moved on meanwhile
      current = h;
      overlay.setUrl(pictureOf(h));
      if (!drawn) {
        overlay.addTo(map);
        drawn = true;
      }
      FC.setLayerHour(hours[h].hourJst);
      document.body.dataset.hourJst = String(hours[h].hourJst);
      if (lastNode) readNode(lastNode);
    }, (error) => FC.note(error.message));
  };

  slider.addEventListener('input', () => show(order[Number(slider.value)]));

  // Each Play begins a run of steps of its own; a step of an earlier run, still waiting when
  // Pause was pressed, ends there rather than run beside the new one.
  let playing = false;
  let run = 0;
  const step = (mine) => {
    if (!playing || mine !== run) return;
    const next = (order.indexOf(current) + 1) % hours.length;
    slider.value = String(next);
    show(order[next]).then(() => {
      if (playing && mine === run) window.setTimeout(step, 800, mine);
    });
  };
  playButton.addEventListener('click', () => {
    playing = !playing;
    playButton.textContent = playing ? 'Pause' : 'Play';
    playButton.setAttribute('aria-pressed', String(playing));
    if (playing) window.setTimeout(step, 400, ++run);
  });

  // the node nearest the cursor, or null outside the grid
  const nodeAt = (latlng) => {
    const col = Math.round((latlng.lng - grid.lonMinDeg) / grid.stepDeg);
    const row = Math.round((latlng.lat - grid.latMinDeg) / grid.stepDeg);  // from the south
    if (col < 0 || col >= grid.lonCount || row < 0 || row >= grid.latCount) return null;
    return { col, row, index: (grid.latCount - 1 - row) * grid.lonCount + col };
  };

  const readout = {
    node: document.getElementById('fc-node'),
    hour: document.getElementById('fc-hour'),
    field: document.getElementById('fc-field'),
    range: document.getElementById('fc-range'),
    kind: document.getElementById('fc-kind'),
  };
  const clearReadout = (text) => {
    readout.node.textContent = text;
    for (const key of ['hour', 'field', 'range', 'kind']) readout[key].textContent = '';
    readout.kind.dataset.kind = '';
  };
  const readNode = (node) => {
    lastNode = node;
    const kind = page.kinds[kinds[node.index]];
    readout.node.textContent = 'latitude ' + grid.latNodes[node.row] + ', longitude ' +
      grid.lonNodes[node.col];
    readout.hour.textContent = FC.zoneTime(hours[current].hourJst);
    readout.range.textContent = FC.kmText(groundRangeKm[node.index]) + ' km';
    readout.kind.textContent = FC.kindName(kind);
    readout.kind.dataset.kind = kind;
    readout.field.textContent = '';
    const codes = decoded[current];
    const db = codes ? codes.fieldDb[node.index] : FC.NO_VALUE;
    if (db === FC.NO_VALUE) {
      readout.field.textContent = 'no value';
      return;
    }
    readout.field.append(FC.element('span', FC.dbText(db), 'fc-number'), ' dB(uV/m), ',
      FC.element('span', FC.mvmText(codes.fieldMvm[node.index]), 'fc-number'), ' mV/m');
    readout.field.children[0].id = 'fc-db';
    readout.field.children[1].id = 'fc-mvm';
  };
  map.on('mousemove', (event) => {
    const node = nodeAt(event.latlng);
    if (node) readNode(node); else { lastNode = null; clearReadout('outside the grid'); }
  });
  clearReadout('point at the map');
  // a grid wholly outside the model's range draws nothing at any hour: say why rather than
  // leave a blank map (a transmitter's longitude with the wrong sign, say)
  if (kinds.every((kind) => page.kinds[kind] === 'beyondRange')) {
    FC.note('Every node of the grid lies beyond ' + page.noValueRangeKm +
      ' km of the transmitter: the model gives no value to draw at any hour.');
  }

  // the first hour at once, then the others in the background
  show(order[0]).then(async () => {
    document.body.dataset.ready = 'true';
    for (const h of order) await load(h).catch(() => {});
    document.body.dataset.allLoaded = 'true';
  });
})();
