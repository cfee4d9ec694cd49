// The contacts of the log on a map: `callsign` holds the own station first, then one entry
// per contact: [call, latitude, longitude, locator, azimuth, distance]; `tileUrl` is the
// tiles' address.
function greatCircle(from, to, segments) {
  // Points along the great circle, which a plain line on the map is not.
  var rad = Math.PI / 180;
  var lat1 = from[0] * rad, lon1 = from[1] * rad, lat2 = to[0] * rad, lon2 = to[1] * rad;
  var d = 2 * Math.asin(Math.sqrt(Math.pow(Math.sin((lat2 - lat1) / 2), 2) +
      Math.cos(lat1) * Math.cos(lat2) * Math.pow(Math.sin((lon2 - lon1) / 2), 2)));
  if (d === 0)
    return [from, to];
  var points = [];
  for (var i = 0; i <= segments; i++) {
    var f = i / segments;
    var a = Math.sin((1 - f) * d) / Math.sin(d), b = Math.sin(f * d) / Math.sin(d);
    var x = a * Math.cos(lat1) * Math.cos(lon1) + b * Math.cos(lat2) * Math.cos(lon2);
    var y = a * Math.cos(lat1) * Math.sin(lon1) + b * Math.cos(lat2) * Math.sin(lon2);
    var z = a * Math.sin(lat1) + b * Math.sin(lat2);
    points.push([Math.atan2(z, Math.sqrt(x * x + y * y)) / rad, Math.atan2(y, x) / rad]);
  }
  return points;
}

function infoOf(entry) {
  var call = encodeURIComponent(entry[0]);
  var text = document.createElement('div');
  text.textContent = entry[0];
  var shown = text.innerHTML;
  var link = function (address, site) {
    return '<a href="' + address + call + '" target="_blank">' + shown + ' информация на ' + site + '</a>';
  };
  return '<h1>' + shown + '</h1>' +
      '<p>QTH: <b>' + entry[3] + '</b><br>' +
      'Азимут: <b>' + entry[4] + ' гр.</b><br>' +
      'Расстояние: <b>' + entry[5] + ' км.</b></p>' +
      '<p>' + link('https://www.qrz.ru/callbook/?q=', 'QRZ.RU') + '<br>' +
      link('https://www.eqsl.cc/Member.cfm?', 'eQSL.cc') + '<br>' +
      link('https://www.qrzcq.com/call/', 'QRZCQ') + '<br>' +
      link('https://www.grfc.ru/grfc/service/amateur_service/search_pozivnoy/?SIGNAL=', 'ФГУП «ГРЧЦ»') +
      '</p>';
}

function showHeight(map, popup, at) {
  popup.setLatLng(at).setContent('…').openOn(map);
  fetch('https://api.open-meteo.com/v1/elevation?latitude=' + at.lat + '&longitude=' + at.lng)
      .then(function (response) {
        if (!response.ok)
          throw new Error(response.status + ' ' + response.statusText);
        return response.json();
      })
      .then(function (answer) {
        var heights = answer && answer.elevation;
        if (heights && heights.length > 0 && typeof heights[0] === 'number')
          popup.setContent('Высота над уровнем моря:<br><b>' + Math.ceil(heights[0]) + '</b> м.');
        else
          popup.setContent('No results found');
      })
      .catch(function (error) {
        popup.setContent('Elevation service failed due to: ' + error.message);
      });
}

function initMap() {
  var mapElement = document.getElementById('map');
  if (typeof L === 'undefined') {
    mapElement.textContent = 'Карта не загрузилась: нет библиотеки Leaflet.';
    return;
  }
  var own = [callsign[0][1], callsign[0][2]];
  var map = L.map(mapElement).setView(own, 7);
  L.tileLayer(tileUrl, {
    maxZoom: 19,
    attribution: '&copy; участники <a href="https://www.openstreetmap.org/copyright">OpenStreetMap</a>'
  }).addTo(map);
  var bounds = L.latLngBounds([own, own]);
  var info = L.popup();
  var height = L.popup({autoClose: false}); // the marker's window may stay open beside it
  map.on('click', function (event) { showHeight(map, height, event.latlng.wrap()); });
  callsign.forEach(function (entry) {
    var at = [entry[1], entry[2]];
    bounds.extend(at);
    L.marker(at, {title: entry[0] + '\n' + entry[3]}).addTo(map).on('click', function () {
      info.setLatLng(at).setContent(infoOf(entry)).openOn(map);
    });
  });
  callsign.slice(1).forEach(function (entry) {
    L.polyline(greatCircle(own, [entry[1], entry[2]], 48),
               {color: '#0000FF', opacity: 1.0, weight: 2}).addTo(map);
  });
  if (callsign.length > 1)
    map.fitBounds(bounds);
}

window.addEventListener('load', initMap);
